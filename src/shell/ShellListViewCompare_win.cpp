// The folder list compared with a saved scan: the "Change" column and the rows of what is gone.
//
// A row's change is its size now (the Size column's figure: a file's from its find data, a folder's total
// once the folder model has it) less the size the saved folder held under the same name; a name the saved
// folder did not hold is new and changes by its whole size. Entries of the saved folder that are no longer
// listed come back as gone rows: no shell object behind them, greyed, with their old size and a change of
// minus that size. Names are matched within the folder only, so a folder moved elsewhere shows as gone
// here and new there.
#include <unordered_map>
#include <unordered_set>

#include "platform/DosWildcard.h"
#include "shell/ScanBaseline.h"
#include "shell/ShellListView_win.h"
#include "shell/SizeText.h"

class TStShellListView::TCompare {
public:
    std::shared_ptr<const TScanBaseline> Baseline;
    // The saved folder of the listing shown, while Matched.
    bool Matched = false;
    TBaselineFolder Folder;
    // The gone rows' paths and their old sizes.
    std::unordered_map<std::string, std::int64_t> Gone;
};

void TStShellListView::TCompareDeleter::operator()(TCompare* compare) const {
    delete compare;
}

void TStShellListView::SetBaseline(std::shared_ptr<const TScanBaseline> baseline) {
    if (!baseline) {
        FCompare.reset();
        return;
    }
    FCompare.reset(new TCompare);
    FCompare->Baseline = std::move(baseline);
}

const TScanBaseline* TStShellListView::Baseline() const {
    return FCompare ? FCompare->Baseline.get() : nullptr;
}

bool TStShellListView::IsGone(const TStShellItem& item) const {
    return FCompare && !FCompare->Gone.empty() && FCompare->Gone.count(item.Path) != 0;
}

bool TStShellListView::ItemChange(const TStShellItem& item, std::int64_t& change) const {
    if (!FCompare || !FCompare->Matched) return false;
    if (auto it = FCompare->Gone.find(item.Path); it != FCompare->Gone.end()) return ChangeOf(0, it->second, change);
    const TBaselineEntry* then = FCompare->Folder.Find(FileNameOf(item.Path));
    // A file that became a folder (or the other way) is new: the old entry is a gone row of its own.
    if (then && then->Folder != item.IsFileSystemFolder) then = nullptr;
    return ChangeOf(item.FSize, then ? then->Size : 0, change);
}

void TStShellListView::AddChangeColumn(std::vector<TStColumn>& columns, TStFolderKind kind) const {
    if (FCompare && kind == fkFileSystem) columns.push_back({"Change", 95, true, skChange});
}

void TStShellListView::UpdateChangeText(TStShellItem& item) {
    if (!FCompare || FColumns.empty() || FColumns.back().SortKey != skChange) return;
    const std::size_t at = FColumns.size() - 2;  // texts start after the name
    if (item.ColumnTexts.size() <= at) item.ColumnTexts.resize(at + 1);
    std::int64_t change = 0;
    item.ColumnTexts[at] = ItemChange(item, change) ? ChangeText(change) : std::string();
}

void TStShellListView::UpdateChangeTexts() {
    for (auto& item : FModel->AllRows().Storage()) UpdateChangeText(*item);
}

void TStShellListView::CompareFilled(TStShellItemList& rows) {
    if (!FCompare) return;
    FCompare->Matched = false;
    FCompare->Gone.clear();
    if (!FCurrentFolder || !FCurrentFolder->IsFileSystem || FColumns.empty() || FColumns.back().SortKey != skChange)
        return;
    const std::string& folder = FCurrentFolder->Path;
    FCompare->Matched = FCompare->Baseline->Match(folder, FCompare->Folder);
    if (!FCompare->Matched) return;

    // What is listed now, by name in key form and kind.
    std::unordered_set<std::string> listed;
    auto keyOf = [](std::string_view name, bool isFolder) {
        std::string key;
        AppendLowerCase(key, name);
        key += isFolder ? '\\' : '/';
        return key;
    };
    for (auto& item : rows.Storage()) listed.insert(keyOf(FileNameOf(item->Path), item->IsFileSystemFolder));
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    const std::size_t textCount = FixedColumns(fkFileSystem).size() - 1;
    for (const TBaselineEntry& e : FCompare->Folder.Entries) {
        if (listed.count(keyOf(e.Name, e.Folder))) continue;
        auto item = std::make_unique<TStShellItem>();
        item->DisplayName = e.Name;
        item->Path = base + e.Name;
        item->IsFile = !e.Folder;
        item->IsFileSystemFolder = e.Folder;
        item->OwnerList = &rows;
        // The files' mask applies to gone files as to listed ones.
        bool accept = true;
        if (OnFilterItem && Filtered()) OnFilterItem(this, item.get(), accept);
        if (!accept) continue;
        // The old size shows in the Size column; the figures stay unknown, so sums over the folder as it is
        // now leave the row out.
        item->ColumnTexts.assign(textCount, std::string());
        item->ColumnTexts[0] = e.Folder ? FormatBytesKB(e.Size) : RowTexts(rkFile, {e.Size}, {}, {}, {})[0];
        item->ColumnTexts[4] = e.Folder ? "File Folder" : "";
        item->DetailsFilled = true;
        FCompare->Gone.emplace(item->Path, e.Size);
        rows.Add(std::move(item));
    }
    for (auto& item : rows.Storage()) UpdateChangeText(*item);
}
