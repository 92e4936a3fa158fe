#include "reports/FolderReport.h"

#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/Exception.h"
#include "reports/ReportWriters.h"
#include "shell/FolderRows.h"

std::vector<std::string> FileSystemReportHeader() {
    std::vector<std::string> header;
    for (const TStColumn& column : FixedColumns(fkFileSystem)) header.push_back(column.Caption);
    header.push_back("Folder");
    return header;
}

TVolumeGrid VolumeGridOf(const std::vector<TVolumeRow>& rows) {
    TVolumeGrid grid;
    grid.reserve(std::size(kVolumeColumns));
    for (const TVolumeColumn& column : kVolumeColumns) {
        grid.emplace_back();
        grid.back().reserve(rows.size() + 1);
        grid.back().push_back(column.Caption);
    }
    for (const TVolumeRow& row : rows) {
        grid[0].push_back(row.Label);
        for (std::size_t c = 1; c < grid.size(); ++c)
            grid[c].push_back(c - 1 < row.Cells.size() ? row.Cells[c - 1] : "");
    }
    return grid;
}

std::string FolderCaption(std::string_view folder, char separator) {
    std::string caption(folder);
    if (caption.empty() || (caption.back() != separator && caption.back() != '\\' && caption.back() != '/'))
        caption += separator;
    return caption;
}

TCollectResult CollectFolderTree(TFileRows& rows, const std::vector<std::string>& header, const std::string& folder,
                                 const std::string& mask, const TCollectOptions& options) {
    rows.Add(header);
    return CollectFiles(folder, mask, rows, true, options);
}

void WriteReportFile(const std::string& file, bool asHtml, const TVolumeGrid& volumeGrid, std::string_view imageName,
                     std::string_view caption, const TFileRows& fileRows, std::string_view version) {
    if (asHtml)
        WriteHtmlPage(file, volumeGrid, imageName, caption, fileRows, LocalDateTimeText(NowFileTime(), false), version);
    else
        WriteCsvReport(file, volumeGrid, fileRows);
}

TFolderReportResult WriteFolderReport(const TFolderReportRequest& request) {
    // A target that cannot take the report is refused before a long walk.
    CheckReportTarget(request.File);
    TDirLister& lister = request.Options.Lister ? *request.Options.Lister : SystemDirLister();
    TFolderReportResult result;
    TFileRows rows;
    result.Walk = CollectFolderTree(rows, request.Header, request.Folder, request.Mask, request.Options);
    WriteReportFile(request.File, request.AsHtml, request.VolumeGrid, {},
                    FolderCaption(request.Folder, lister.Separator()), rows, request.Version);
    result.Rows = rows.Count();
    result.MemoryBytes = rows.MemoryBytes();
    result.TextBytes = rows.TextBytes();
    return result;
}

namespace {

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<std::string> ReportProblemLines(const TCollectResult& walk) {
    std::vector<std::string> lines;
    for (const std::string& folder : walk.Unreadable) lines.push_back("could not read in full: " + folder);
    if (walk.InvalidNames)
        lines.push_back(Counted(walk.InvalidNames, "name is", "names are") +
                        " not valid UTF-8; written with U+FFFD in place of each byte that does not decode");
    if (!walk.Complete())
        lines.push_back("the report is incomplete: " + Counted(walk.Unreadable.size(), "folder", "folders") +
                        " could not be read in full");
    return lines;
}

std::string ReportWarningText(const TCollectResult& walk) {
    if (walk.Complete() && !walk.InvalidNames) return {};
    std::string text = walk.Complete() ? "The report was created, but some names are not shown exactly as they are."
                                       : "The report was created, but it is incomplete.";
    const std::size_t folders = walk.Unreadable.size();
    if (folders)
        text += "\r\n\r\n" + Counted(folders, "folder", "folders") +
                " could not be read completely (for example, because access was denied or the path is too long). " +
                (folders == 1 ? "Files in it" : "Files in them") +
                " may be missing from the report or listed without a size.";
    if (walk.InvalidNames)
        text += "\r\n\r\n" + Counted(walk.InvalidNames, "name contains", "names contain") +
                " characters that could not be read. The report shows \"\xEF\xBF\xBD\" in their place.";
    return text;
}
