// The folder list's saved-scan view: a folder of a scan read from a file, shown with the rows, figures,
// sorting and mask filter a folder on disk gets, all from the scan tree in memory. Nothing reads the disk
// while it is shown: the items answer the shell's questions from the scan (TScanItemController), the
// change notification stops watching, and the commands that need the shell (its menu, rename, drag and
// drop, reading the folder again) leave these rows alone. A fill from the shell leaves the view.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/FlagScope.h"
#include "platform/WinText.h"
#include "shell/SavedScan.h"
#include "shell/ScanFolderRows.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"

namespace {

// Answers for the items of a saved scan from what the scan holds: no identifier lists, no shell folder.
class TScanItemController : public TStCustomShellController {
public:
    void LoadStats(TStShellItem&) override {}  // the figures are set when the row is made
    std::string GetIconInfo(TStShellItem& item) override {
        // The icon of the type, by name and attributes only: the shell is not sent to the path.
        SHFILEINFOW info{};
        const DWORD attributes = item.IsFile ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DIRECTORY;
        if (::SHGetFileInfoW(Widen(item.DisplayName).c_str(), attributes, &info, sizeof info,
                             SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
            item.FIconIndex = info.iIcon;
        else
            item.FIconIndex = 0;
        item.FOpenIconIndex = item.FIconIndex;
        item.FOverlayIndex = 0;
        return item.DisplayName;
    }
    std::uint32_t QueryAttributes(const TStShellItem& item, std::uint32_t mask) const override {
        std::uint32_t a = 0;
        if (!item.IsFile) a |= saFolder;
        if (item.Attributes & FILE_ATTRIBUTE_COMPRESSED) a |= saCompressed;
        if (item.Attributes & FILE_ATTRIBUTE_HIDDEN) a |= saHidden;
        if (item.Attributes & FILE_ATTRIBUTE_REPARSE_POINT) a |= saLink;
        return a & mask;  // never saCanRename: a saved scan is not renamed
    }
    int CompareNames(const TStShellItem& a, const TStShellItem& b) override {
        return CompareLogical(a.DisplayName, b.DisplayName);
    }
    bool InvokeDefault(TStShellItem&) override { return false; }
    TPidl ClonePidl(const _ITEMIDLIST*) const override { return nullptr; }
    TPidl CombinePidl(const _ITEMIDLIST*, const _ITEMIDLIST*) const override { return nullptr; }
};

WIN32_FIND_DATAW FindDataOf(const TScanRow& row) {
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = row.IsFolder ? (row.Attributes | FILE_ATTRIBUTE_DIRECTORY) : row.Attributes;
    const auto size = static_cast<std::uint64_t>(row.IsFolder ? 0 : row.Size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    const auto time = static_cast<std::uint64_t>(row.LastWriteTime);
    data.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(time);
    data.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(time >> 32);
    return data;
}

}  // namespace

void TStShellListView::ShowScan(std::shared_ptr<TImportedScan> scan) {
    if (!scan || !scan->Tree) return;
    if (!FScanController) FScanController = std::make_unique<TScanItemController>();
    FScan = std::move(scan);
    FillScan(FScan->Root, FScan->Path);
}

void TStShellListView::LeaveScan() {
    if (!FScan) return;
    // The rows point at the scan's controller: they go first.
    SetItemCount(0);
    ClearSelectionList();
    FChangedItem = 0;
    FModel->ClearRows();
    FCurrentFolder.reset();
    FScan.reset();
}

bool TStShellListView::OpenScanFolder(const std::string& path) {
    if (!FScan) return false;
    const TScanTree& tree = *FScan->Tree;
    std::string key;
    tree.AppendKeyName(key, CanonicalFolder(path, tree.Separator()));
    if (key.empty() || key.back() != tree.Separator()) key += tree.Separator();
    TScanRef ref;
    {
        const TScanReader reader(tree);
        ref = reader.Find(key);
        // Only the scan's own root and what lies below it.
        if (ref && key.compare(0, FScan->Key.size(), FScan->Key) != 0) ref = {};
        if (ref && reader.Folder(ref)->Has(TScanFolder::kLink)) ref = {};
    }
    if (!ref) return false;
    // The path as shown: no separator at its end, except at a drive's or the file system's root.
    std::string shown = CanonicalFolder(path, tree.Separator());
    while (shown.size() > 1 && shown.back() == tree.Separator() && !(shown.size() == 3 && shown[1] == ':'))
        shown.pop_back();
    FillScan(ref, shown);
    return true;
}

void TStShellListView::ScanUpOneLevel() {
    if (!FScan || !FCurrentFolder) return;
    // At the scan's root there is nothing above it to show.
    const std::string parent = ScanParentPath(FCurrentFolder->Path, FScan->Tree->Separator());
    if (!parent.empty()) OpenScanFolder(parent);
}

void TStShellListView::FillScan(TScanRef folder, const std::string& path) {
    if (Defer(dwFillingOrBusy, [this, scan = FScan, folder, path] {
            if (FScan == scan) FillScan(folder, path);
        }))
        return;
    TBusyScope busy;
    TFlagScope filling(FFilling);
    ClearSelectionList();
    FChangedItem = 0;
    FModel->Reset();
    FPendingFigures.clear();
    SetItemCount(0);
    FModel->ClearRows();  // they point at the scan's controller of the folder before
    FModel->SetSortState(0, FModel->Ascending());
    FModel->SetMasksRows(!OnFilterItem);
    TStShellItemList incoming;
    // Nothing on disk belongs to these rows: the notification stops watching the folder shown before.
    FCurrentFolder.reset();
    if (OnRearmNotification) OnRearmNotification(this);
    if (OnBeforeFill) OnBeforeFill(this);

    const char separator = FScan->Tree->Separator();
    auto record = std::make_unique<TStShellFolder>(FScanController.get());
    record->Path = path;
    record->DisplayName = folder == FScan->Root ? path : std::string(FileNameOf(path));
    record->ParentFolder = FController->DesktopShared();
    record->FSize = 0;
    std::vector<TScanRow> rows;
    {
        const TScanReader reader(*FScan->Tree);
        rows = ScanFolderRows(reader, folder, FModel->TotalsMask());
    }
    for (const TScanRow& row : rows) {
        auto item = std::make_unique<TStShellItem>(FScanController.get());
        item->IsFile = !row.IsFolder;
        item->DisplayName = row.Name;
        item->Path = ScanChildPath(path, row.Name, separator);
        // Not null, so that the folder question is asked; the scan's controller never uses it.
        item->ParentFolder = record->ParentFolder;
        item->OwnerList = &incoming;
        bool accept = true;
        if (OnFilterItem && Filtered()) OnFilterItem(this, item.get(), accept);
        if (!accept) continue;
        TStShellController::ApplyFindData(*item, FindDataOf(row));
        TStRowKind kind = row.IsFolder ? rkFolder : rkFile;
        TStRowFigures figures;
        std::string type;
        if (row.IsFolder) {
            figures = FolderRowFigures(true, [&](std::int64_t& used, std::int64_t& count) {
                used = row.Allocated;
                count = row.Files;
                return row.Size;
            });
        } else {
            figures = FileRowFigures(row.Size, row.Allocated);
            type = FileTypeText(item->Path, [this](const std::string& ext, std::string& description) {
                return FTypeDescriptions->Find(ext, description);
            });
            item->TypeName = type;
        }
        item->FSize = figures.Size;
        item->FUsedSize = figures.UsedSize;
        item->Slack = figures.Slack;
        item->FFileCount = figures.FileCount;
        item->ColumnTexts = RowTexts(kind, figures, type, DateTimeText(item->FModifiedDate), item->AttributeText);
        item->DetailsFilled = true;
        incoming.Add(std::move(item));
    }
    FFolderIsFileSystem = true;  // names sort in the logical order, as on disk
    FCurrentFolder = std::move(record);
    FScanFolder = folder;
    BuildColumns(nullptr);
    FDetailsFilled = true;
    SetSortRules();
    FModel->SetRows(std::move(incoming));
    ShowRows();
    if (OnListFilled) OnListFilled(this);
}
