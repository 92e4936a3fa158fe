#include "reports/FolderReport.h"

#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/Exception.h"
#include "reports/ReportWriters.h"
#include "shell/ShellListViewRows.h"

std::vector<std::string> FileSystemReportHeader() {
    std::vector<std::string> header;
    for (const TStColumn& column : FixedColumns(fkFileSystem)) header.push_back(column.Caption);
    header.push_back("Folder");
    return header;
}

std::string FolderCaption(std::string_view folder, char separator) {
    std::string caption(folder);
    if (caption.empty() || (caption.back() != separator && caption.back() != '\\' && caption.back() != '/'))
        caption += separator;
    return caption;
}

void CollectFolderTree(TFileRows& rows, const std::vector<std::string>& header, const std::string& folder,
                       const std::string& mask, const TCollectOptions& options) {
    rows.Add(header);
    CollectFiles(folder, mask, rows, true, options);
}

void WriteReportFile(const std::string& file, bool asHtml, const TVolumeGrid& volumeGrid, std::string_view imageName,
                     std::string_view caption, const TFileRows& fileRows, std::string_view version) {
    if (asHtml)
        WriteHtmlPage(file, volumeGrid, imageName, caption, fileRows, LocalDateTimeText(NowFileTime(), false), version);
    else
        WriteCsvReport(file, volumeGrid, fileRows);
}

TFolderReportStats WriteFolderReport(const TFolderReportRequest& request) {
    TDirLister& lister = request.Options.Lister ? *request.Options.Lister : SystemDirLister();
    if (request.Folder.empty() || !lister.FolderExists(request.Folder))
        throw Exception("No such folder: " + request.Folder);
    TFileRows rows;
    CollectFolderTree(rows, request.Header, request.Folder, "*.*", request.Options);
    WriteReportFile(request.File, request.AsHtml, request.VolumeGrid, {},
                    FolderCaption(request.Folder, lister.Separator()), rows, request.Version);
    TFolderReportStats stats;
    stats.Rows = rows.Count();
    stats.MemoryBytes = rows.MemoryBytes();
    stats.TextBytes = rows.TextBytes();
    return stats;
}
