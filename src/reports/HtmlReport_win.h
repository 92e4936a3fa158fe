#pragma once
// The HTML report in the user's temporary folder: the page and the chart picture side by side, the page
// then opened in the browser (Windows).
#include <functional>
#include <string>

#include "charts/JpegWriter.h"
#include "reports/ReportTables.h"

// Reserves a new empty file "du<hex>.tmp" in the temporary folder and returns its full path in name. A
// temporary folder of any length works. When the system names no temporary folder the warning "Can't find
// the Windows temp path!" is shown and the current folder is tried; when no file can be made the error
// "Can't create a temporary file." is shown and the result is false.
bool MakeTempFileName(std::string& name);

// The program's file version from its own version record; empty when it has none.
std::string GetProgramVersion();

// Writes the page (and, when image is not null, the picture beside it) under two newly reserved names
// and opens the page with open (the shell's "open" verb when empty). Returns without writing anything
// when a name cannot be reserved. A failure to write raises an Exception and leaves no partial page.
// Returns the page's path (empty when nothing was written).
std::string WriteHtmlReport(const TVolumeGrid& volumeGrid, const TRgbPicture* image, const std::string& caption,
                            const TFileRows& fileRows,
                            const std::function<void(const std::string& page)>& open = nullptr);
