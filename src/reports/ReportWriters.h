#pragma once
// The two report files: the HTML page and the CSV file, written from the collected tables.
//
// Both are written in the system's ANSI code page, lines ending in CR LF, as long as every text fits it.
// When any text does not (a name in another script), the whole file is written as UTF-8 with a byte-order
// mark instead, and the page declares that charset, so no character is lost as "?".
//
// A failure to create, write or close the file raises an Exception with the system's reason, and the
// file is removed: a failed report leaves no partial file behind.
#include <string>
#include <string_view>

#include "reports/ReportTables.h"

// The HTML page into the file at path, as one line and a CR LF. imageName is the chart picture's file
// name as the page refers to it (no directory; empty: no picture). caption follows "Folder: " in the
// headings; dateText is the date line; version follows "Created by Voluscope v". Every cell text, the
// caption and the names are escaped (& < > "), so they show as written and never act as markup.
void WriteHtmlPage(const std::string& path, const TVolumeGrid& volumeGrid, std::string_view imageName,
                   std::string_view caption, const TFileRows& fileRows, std::string_view dateText,
                   std::string_view version);

// The CSV file: the volume block (one record per grid row, none when the grid has no columns), an empty
// line, then one record per row of fileRows. Every field is enclosed in double quotes, a double quote
// inside a field is doubled (RFC 4180); other texts are written as they are.
void WriteCsvReport(const std::string& fileName, const TVolumeGrid& volumeGrid, const TFileRows& fileRows);

// Refuses a report target that is not a file, before anything is created: "-" (standard output, which a
// report is not written to), a folder, a pipe or a device (writing to a pipe would wait for a reader for
// ever). Raises an Exception naming the target; both writers call it first.
void CheckReportTarget(const std::string& path);

// The opening tag of the page's date line (the one line that changes from run to run).
inline constexpr std::string_view kHtmlDateLineStart = "<P ALIGN=\"CENTER\" CLASS=\"date\">";
