#pragma once
// The all-sub-folders report of one folder, shared by the main window's commands, the program's /csv and
// /html switches and vscan: the file table is collected by the walker under a header row, then written
// as the CSV file or the HTML page.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reports/ReportTables.h"
#include "reports/TreeWalker.h"
#include "volumes/VolumeInventory.h"

// The folder list's column captions for a file-system folder followed by "Folder": the header row of a
// report made without the window.
std::vector<std::string> FileSystemReportHeader();

// The volume table of these volume rows, column by column, as the volumes pane shows them.
TVolumeGrid VolumeGridOf(const std::vector<TVolumeRow>& rows);

// The heading caption of a folder: its path with one trailing separator.
std::string FolderCaption(std::string_view folder, char separator);

// Starts rows with the header and appends one row per file of folder's tree that matches mask.
TCollectResult CollectFolderTree(TFileRows& rows, const std::vector<std::string>& header, const std::string& folder,
                                 const std::string& mask, const TCollectOptions& options);

// Writes the collected tables to file: the CSV file, or the HTML page (with the current local date and
// time on its date line and the picture imageName when not empty).
void WriteReportFile(const std::string& file, bool asHtml, const TVolumeGrid& volumeGrid, std::string_view imageName,
                     std::string_view caption, const TFileRows& fileRows, std::string_view version);

// The report without a window: refuses a target that is not a file (ReportWriters.h) before anything is
// read, walks the folder (a path made absolute already) with the mask and writes the CSV file or the
// HTML page with the volume table and no picture.
struct TFolderReportRequest {
    std::string File;
    std::string Folder;
    std::string Mask = "*.*";
    bool AsHtml = false;
    TVolumeGrid VolumeGrid;
    std::vector<std::string> Header = FileSystemReportHeader();
    std::string Version;
    TCollectOptions Options;
};
struct TFolderReportResult {
    TCollectResult Walk;  // what could not be read
    // What the rows held at their peak, for the benchmark: rows (header included), the bytes held and the
    // bytes of the cell texts themselves.
    std::size_t Rows = 0, MemoryBytes = 0, TextBytes = 0;
};
TFolderReportResult WriteFolderReport(const TFolderReportRequest& request);

// What a command-line front end says about a report that was written but is not complete, one line each
// (without the program's name): every folder not read in full, then the count of names repaired. Empty
// when there is nothing to say.
std::vector<std::string> ReportProblemLines(const TCollectResult& walk);
// The window's warning after such a report (empty when there is nothing to say).
std::string ReportWarningText(const TCollectResult& walk);
