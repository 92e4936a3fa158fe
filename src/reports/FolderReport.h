#pragma once
// The all-sub-folders report of one folder, shared by the main window's commands, the program's /csv and
// /html switches and vscan: the file table is collected by the walker under a header row, then written
// as the CSV file or the HTML page.
#include <string>
#include <string_view>
#include <vector>

#include "reports/ReportTables.h"
#include "reports/TreeWalker.h"

// The folder list's column captions for a file-system folder followed by "Folder": the header row of a
// report made without the window.
std::vector<std::string> FileSystemReportHeader();

// The heading caption of a folder: its path with one trailing separator.
std::string FolderCaption(std::string_view folder, char separator);

// Starts rows with the header and appends one row per file of folder's tree that matches mask.
void CollectFolderTree(TFileRows& rows, const std::vector<std::string>& header, const std::string& folder,
                       const std::string& mask, const TCollectOptions& options);

// Writes the collected tables to file: the CSV file, or the HTML page (with the current local date and
// time on its date line and the picture imageName when not empty).
void WriteReportFile(const std::string& file, bool asHtml, const TVolumeGrid& volumeGrid, std::string_view imageName,
                     std::string_view caption, const TFileRows& fileRows, std::string_view version);

// The report without a window: checks that folder exists (else raises "No such folder: <folder>"),
// walks it with every file ("*.*") and writes the CSV file or the HTML page with the volume table and no
// picture.
struct TFolderReportRequest {
    std::string File;
    std::string Folder;
    bool AsHtml = false;
    TVolumeGrid VolumeGrid;
    std::vector<std::string> Header = FileSystemReportHeader();
    std::string Version;
    TCollectOptions Options;
};
// What the rows held at their peak, for the benchmark: rows (header included), the bytes held and the
// bytes of the cell texts themselves.
struct TFolderReportStats {
    std::size_t Rows = 0, MemoryBytes = 0, TextBytes = 0;
};
TFolderReportStats WriteFolderReport(const TFolderReportRequest& request);
