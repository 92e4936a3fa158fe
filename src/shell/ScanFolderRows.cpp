#include "shell/ScanFolderRows.h"

#include "platform/CheckedMath.h"
#include "shell/FolderSizeMask.h"

TScanMaskTotals ScanTreeTotals(const TScanReader& reader, TScanRef folder, std::string_view mask) {
    TScanMaskTotals out;
    if (!reader.Folder(folder)) return out;
    const TFolderSizeMask matcher(mask);
    const bool all = matcher.MatchesAll();
    std::vector<std::uint32_t> stack{folder.Index};
    while (!stack.empty()) {
        const TScanFolder& f = reader.At(stack.back());
        stack.pop_back();
        if (f.Has(TScanFolder::kLink)) continue;
        if (f.ListingStatus() != TDirStatus::Ok && !f.Has(TScanFolder::kMissing)) out.Partial = true;
        const TScanFile* files = f.Files();
        for (std::uint32_t i = 0; i < f.FileCount; ++i) {
            if (!all && !matcher.Matches(f.FileName(files[i]))) continue;
            out.Totals.Size = CheckedAdd(out.Totals.Size, files[i].Size);
            out.Totals.Allocated = CheckedAdd(out.Totals.Allocated, files[i].Allocated);
            ++out.Totals.Files;
        }
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling) stack.push_back(c);
    }
    return out;
}

std::vector<TScanRow> ScanFolderRows(const TScanReader& reader, TScanRef folder, std::string_view mask) {
    std::vector<TScanRow> rows;
    const TScanFolder* f = reader.Folder(folder);
    if (!f) return rows;
    rows.reserve(f->FileCount);
    for (std::uint32_t c = f->FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling) {
        const TScanFolder& sub = reader.At(c);
        TScanRow row;
        row.Name = std::string(f->Names() + sub.NameOffset, sub.NameLength);
        row.IsFolder = true;
        row.IsLink = sub.Has(TScanFolder::kLink);
        row.LastWriteTime = sub.LastWriteTime;
        row.Attributes = sub.Attributes | faDirectory;
        if (row.IsLink) {
            row.Files = 0;
        } else {
            row.Ref = reader.RefOf(c);
            const TScanMaskTotals t = ScanTreeTotals(reader, row.Ref, mask);
            row.Size = t.Totals.Size;
            row.Allocated = t.Totals.Allocated;
            row.Files = t.Totals.Files;
            row.Partial = t.Partial;
        }
        rows.push_back(std::move(row));
    }
    const TScanFile* files = f->Files();
    for (std::uint32_t i = 0; i < f->FileCount; ++i) {
        TScanRow row;
        row.Name = std::string(f->FileName(files[i]));
        row.Size = files[i].Size;
        row.Allocated = files[i].Allocated;
        row.LastWriteTime = files[i].LastWriteTime;
        row.Attributes = files[i].Attributes;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string ScanChildPath(std::string_view folder, std::string_view name, char separator) {
    std::string path(folder);
    if (path.empty() || path.back() != separator) path += separator;
    path += name;
    return path;
}

std::string ScanParentPath(std::string_view path, char separator) {
    const std::size_t at = path.find_last_of(separator);
    if (at == std::string_view::npos) return {};
    // A root keeps its separator: "/" and "C:\".
    if (at == 0 || (at == 2 && path[1] == ':')) return std::string(path.substr(0, at + 1));
    return std::string(path.substr(0, at));
}
