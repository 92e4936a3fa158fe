#include "shell/ShellListView_win.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <unordered_set>

#include "platform/ErrorMode.h"
#include "platform/FlagScope.h"
#include "platform/Locale.h"
#include "platform/Volumes.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/TypeDescriptions_win.h"
#include "ui/Animate.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

namespace {
// Posted by the folder model's wake: figures wait to be delivered on the window's thread.
constexpr UINT kFiguresMessage = WM_APP + 0x51;

// One sort column and direction for every folder list of the process.
int GSortColumn = 0;
bool GAscending = true;

TListViewOptions ShellListOptions() {
    TListViewOptions o;
    o.OwnerData = true;
    o.MultiSelect = true;
    o.ReadOnly = false;
    o.RowSelect = true;
    o.HideSelection = false;
    return o;
}

// Suspends the control's drawing for the life of a scope.
class TRedrawLock {
public:
    explicit TRedrawLock(HWND wnd) : FWnd(wnd) { ::SendMessageW(FWnd, WM_SETREDRAW, FALSE, 0); }
    ~TRedrawLock() {
        ::SendMessageW(FWnd, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(FWnd, nullptr, TRUE);
    }
    TRedrawLock(const TRedrawLock&) = delete;
    TRedrawLock& operator=(const TRedrawLock&) = delete;

private:
    HWND FWnd;
};

void ShowWarning(const std::string& first, const std::exception& e) {
    if (Application)
        Application->MessageBox(first + "\r\n\r\n" + e.what(), Application->Title(), MB_OK | MB_ICONWARNING);
}

bool LessName(const TDirItem& a, const std::string& name) {
    return a.Name < name;
}

bool LessItemName(const TDirItem& a, const TDirItem& b) {
    return a.Name < b.Name;
}

// The date text of a row; the files of a folder often share their time to the minute (the date
// functions cost microseconds a call under Wine, which adds up over a large folder).
const std::string& RowDateText(double date) {
    static double last = -1;
    static std::string text;
    if (date != last) {
        text = DateTimeText(date);
        last = date;
    }
    return text;
}
}  // namespace

int TStShellListView::SortColumn() {
    return GSortColumn;
}
bool TStShellListView::Ascending() {
    return GAscending;
}
void TStShellListView::SetSortState(int column, bool ascending) {
    GSortColumn = column;
    GAscending = ascending;
}

TStShellListView::TStShellListView(TComponent* owner, TWinControl* parent)
    : TListView(owner, parent, ShellListOptions()) {
    SetBounds(Left(), Top(), 270, 180);
    ShellOpen = [](const std::string& path) {
        ::ShellExecuteW(nullptr, L"open", Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    FTypeDescriptions = LoadTypeDescriptions();
    SetFolderSizeService(FolderSizeService());

    FViewMenu = new TPopupMenu(this);
    const char* captions[] = {"Lar&ge Icons", "S&mall Icons", "&List", "&Details"};
    for (int i = 0; i < 4; ++i) {
        auto* item = new TMenuItem(FViewMenu, std::string("ViewStyle") + std::to_string(i), captions[i]);
        item->SetRadioItem(true);
        item->SetChecked(i == vsReport);
        item->OnClick = [this, i, item](TObject*) {
            ChangeViewStyle(static_cast<TViewStyle>(i));
            item->SetChecked(true);
        };
    }

    FOwnController = std::make_unique<TStShellController>();
    FController = FOwnController.get();
    SetSharedImages(FController->SmallImages(), FController->LargeImages());

    OnData = [this](TObject*, int row, TListItemData& data) {
        TStShellItem* item = RowItem(row);
        if (!item) return;
        data.Caption = item->DisplayName;
        // Asks the shell the first time a row without a known icon is drawn.
        data.ImageIndex = item->IconIndex();
        if (ViewStyle() == vsReport) data.SubItems = item->ColumnTexts;
        data.OverlayIndex = item->FOverlayIndex;
        data.Cut = item->IsHidden();
    };
    OnFindItem = [this](TObject*, int start, const TListFindRequest& request) { return FindRow(start, request); };
    OnColumnClick = [this](TObject*, int column) { ClickColumn(column); };
    OnItemColor = [this](TObject*, int row) -> TColor {
        TStShellItem* item = RowItem(row);
        if (item && IsGone(*item)) return clGray;
        if (!(FOptions & loColorCompressed)) return clNone;
        if (!item || !item->IsCompressed()) return clNone;
        char letter = TFolderSizeService::DriveLetterOf(item->Path);
        if (letter) {
            wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
            if (::GetDriveTypeW(root) == DRIVE_REMOVABLE) return clNone;
        }
        return FCompressedColor;
    };
    OnEditing = [this](TObject*, int row, bool& allow) {
        TStShellItem* item = RowItem(row);
        allow = item && (FOptions & loAllowRename) && item->CanRename();
    };
    OnEdited = [this](TObject*, int row, const std::string& text, bool& accept) { accept = RenameRow(row, text); };
    OnBeginDrag = [this](TObject*, int) {
        if ((FOptions & loAllowDrag) && !FScan) StartDrag();
    };
    if (FOptions & loAllowDrop) RegisterDropTarget();
}

TStShellListView::~TStShellListView() {
    *FAlive = false;
    FCompare.reset();
    FModel.reset();
    RevokeDropTarget();
    // Rows first, so nothing asks for an item while the lists go.
    FFilteredList.Clear();
    FSelectionList.Clear();
    FFullList.Clear();
    FCurrentFolder.reset();
}

void TStShellListView::SetController(TStShellController* controller) {
    FController = controller ? controller : FOwnController.get();
    SetSharedImages(FController->SmallImages(), FController->LargeImages());
}

TStShellItemList& TStShellListView::ActiveList() {
    return !FileFilter().empty() && Filtered() && !OnFilterItem ? FFilteredList : FFullList;
}

TStShellItem* TStShellListView::RowItem(int row) {
    TStShellItemList& list = ActiveList();
    if (row < 0 || row >= list.Count()) return nullptr;
    return list.Items(RowToItemIndex(row, list.Count(), GAscending));
}

// ---------------------------------------------------------------------------------------------------------------
// Filling

bool TStShellListView::Defer(TStDeferWhen when, std::function<void()> action) {
    bool wait = when == dwFillingOrBusy ? FFilling || (Application && Application->Busy()) : FFilling && Application;
    if (!wait) return false;
    std::shared_ptr<bool> alive = FAlive;
    Application->RunWhenNotBusy([alive, action = std::move(action)] {
        if (*alive) action();
    });
    return true;
}

void TStShellListView::Fill(const TStShellItem* item) {
    if (item && FScan && item->Controller == FScanController.get()) {
        OpenScanFolder(item->Path);
        return;
    }
    // A fill already runs (it lets messages through): this one waits for it, with its own copy of the
    // target.
    auto target = std::make_shared<TPidl>(item ? item->FullIdList() : nullptr);
    bool root = item == nullptr;
    std::string path = item && item->IsFileSystem ? item->Path : std::string();
    if (Defer(dwFillingOrBusy, [this, target, root, path] { RunFill(target->get(), root, path); })) return;
    RunFill(target->get(), root, path);
}

void TStShellListView::RunFill(LPCITEMIDLIST target, bool root, const std::string& path) {
    TBusyScope busy;
    TFlagScope filling(FFilling);
    FillFrom(target, root, path);
}

void TStShellListView::FillFrom(LPCITEMIDLIST target, bool root, std::string path) {
    // 1. Empty everything; the rows go before the items they show.
    LeaveScan();
    ClearSelectionList();
    FColumnsBuilt = false;
    FDetailsFilled = false;
    FChangedItem = nullptr;
    FModel->Reset();
    FPendingFigures.clear();
    {
        TRedrawLock lock(Handle());
        SetItemCount(0);
        FFilteredList.Clear();
        FFullList.Clear();
    }
    GSortColumn = 0;

    TPidl folder;
    if (!root) {
        folder = ::ClonePidl(target);
    } else {
        // 3. From the root folder.
        if (!FController || !Handle()) return;
        if (FSpecialRootFolder == sfNone && FRootFolder.empty()) return;
        if (FSpecialRootFolder == sfNone) {
            folder = FRootIdList ? std::move(FRootIdList) : FController->ParseDisplayName(FRootFolder);
            if (!folder) {
                FRootFolder.clear();
                throw ESsInvalidFolder("Invalid folder");
            }
        } else {
            LPITEMIDLIST special = nullptr;
            if (FAILED(::SHGetSpecialFolderLocation(Handle(), SpecialFolderNumber(FSpecialRootFolder), &special)) ||
                !special)
                throw ESsShellError("The special folder is not available");
            folder.reset(special);
        }
    }
    if (OnBeforeFill) OnBeforeFill(this);
    {
        // 2. Enumerate; the hourglass and the animation go on every way out.
        THourGlass hourGlass;
        if (root) path = FSpecialRootFolder == sfNone ? FRootFolder : std::string();
        std::unique_ptr<TStShellFolder> record = FController->CreateFolder(folder.get(), path);
        FFolderIsFileSystem = record->IsFileSystem || record->IsDesktop;
        try {
            ReadChildren(folder.get(), *record);
        } catch (const std::exception& e) {
            ShowWarning("There was an error populating the list.", e);
        }
        // 4.
        if (ViewStyle() == vsReport) BuildColumns(folder.get());
        // 5.
        if (!FRefilter) {
            if (!record->ParentFolder && !record->Listed) record->ParentFolder = FController->DesktopShared();
            FCurrentFolder = std::move(record);
        }
    }
    // 6.
    if (ViewStyle() == vsReport) FDetailsFilled = true;
    CompareFilled();
    // 7., 8.
    SortList();
    if (!FileFilter().empty() && Filtered()) ApplyMaskFilter();
    // 9.
    ShowRows();
    RequestPendingFigures();
    // 10.
    if (OnListFilled) OnListFilled(this);
    // 11., 12.
    if (OnRearmNotification) OnRearmNotification(this);
    if (OnSyncComboBox) OnSyncComboBox(this);
}

void TStShellListView::ShowRows() {
    {
        TRedrawLock lock(Handle());
        SetItemCount(ActiveList().Count());
        if (ActiveList().Count() > 0) EnsureVisible(0);
    }
    SetSortArrow(FColumns.empty() ? -1 : GSortColumn, GAscending);
}

void TStShellListView::SinkSearching(bool searching) {
    if (searching) {
        if (!FAnimation) {
            FAnimation = new TAnimate(this, this, aviFindFolder, 1, [](int, int, int, std::uint32_t*) {});
        }
        int w = std::min(Width(), 272), h = std::min(Height(), 60);
        FAnimation->SetBounds((ClientWidth() - w) / 2, (ClientHeight() - h) / 2, w, h);
        FAnimation->SetColor(Color());
        FAnimation->Show();
        FAnimation->Play();
    } else if (FAnimation) {
        FAnimation->Stop();
        FAnimation->Hide();
    }
}

void TStShellListView::SinkItem(std::unique_ptr<TStShellItem> item) {
    item->OwnerList = &FFullList;
    bool accept = true;
    if (OnFilterItem && Filtered()) OnFilterItem(this, item.get(), accept);
    if (!accept) return;
    TStShellItem* kept = FSinkList->Add(std::move(item));
    if (ViewStyle() == vsReport) FillDetails(*kept);
}

void TStShellListView::ReadChildren(LPCITEMIDLIST folder, const TStShellFolder& record) {
    // A file-system folder's rows come from one directory read; the shell's enumeration serves the
    // shell's own folders, and a folder the read cannot open.
    if (record.IsFileSystem && !record.IsDesktop && !record.Path.empty() &&
        FController->ListFolder(folder, record.Path, this))
        return;
    struct TDataScope {
        TStShellListView& List;
        ~TDataScope() { List.DropFolderData(); }
    } dataScope{*this};
    ReadFolderData(record);
    FController->EnumerateFolder(folder, record.IsFileSystem, 1, this);
}

void TStShellListView::ReadFolderData(const TStShellFolder& folder) {
    FFolderData.clear();
    FHaveFolderData = false;
    // Only report view shows the details, and only a file-system folder has find data.
    if (!folder.IsFileSystem || ViewStyle() != vsReport) return;
    // The children's find data in one pass over the folder, instead of one search per child.
    TCriticalErrorScope quiet;
    FHaveFolderData = ListDir(folder.Path, "*", FFolderData) == TDirStatus::Ok;
    std::sort(FFolderData.begin(), FFolderData.end(), LessItemName);
}

void TStShellListView::DropFolderData() {
    FFolderData.clear();
    FFolderData.shrink_to_fit();
    FHaveFolderData = false;
}

bool TStShellListView::FindDataFor(const TStShellItem& item, WIN32_FIND_DATAW& data) const {
    if (!FHaveFolderData) return false;
    std::string name(FileNameOf(item.Path));
    auto it = std::lower_bound(FFolderData.begin(), FFolderData.end(), name, LessName);
    if (it == FFolderData.end() || it->Name != name) return false;
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = it->Attributes;
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(it->Size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(it->Size);
    data.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(it->LastWriteTime);
    data.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(it->LastWriteTime) >> 32);
    return true;
}

void TStShellListView::FillDetails(TStShellItem& item) {
    item.ColumnTexts.clear();
    auto applyFigures = [&](const TStRowFigures& f) {
        item.FSize = f.Size;
        item.FUsedSize = f.UsedSize;
        item.Slack = f.Slack;
        item.FFileCount = f.FileCount;
    };

    WIN32_FIND_DATAW data{};
    TStRowKind kind;
    if (item.Listed) {
        // The listing gave its find data already.
        kind = item.IsFileSystemFolder ? rkFolder : rkFile;
    } else {
        TCriticalErrorScope quiet;
        if (item.IsFileSystem && FindDataFor(item, data))
            kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? rkFolder : rkFile;
        else if (item.IsFileSystem && TStShellController::FindByPath(item.Path, data))
            kind = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? rkFolder : rkSearchedFile;
        else
            kind = rkSystemFolder;
    }
    std::string type;
    switch (kind) {
        case rkFolder:
            if (!item.Listed) TStShellController::ApplyFindData(item, data);
            applyFigures(TStRowFigures{});
            break;
        case rkFile:
        case rkSearchedFile: {
            if (!item.Listed) TStShellController::ApplyFindData(item, data);
            char letter = TFolderSizeService::DriveLetterOf(item.Path);
            std::int64_t size = item.FSize;
            applyFigures(
                FileRowFigures(size, ::AllocatedSize(letter ? letter : (item.Path.empty() ? 0 : item.Path[0]), size)));
            if (!item.TypeName.empty()) {
                type = item.TypeName;
            } else if (kind == rkSearchedFile) {
                type = SearchedFileTypeText(item.Path);
            } else if (item.IsFile) {
                type = FileTypeText(item.Path, [this](const std::string& ext, std::string& description) {
                    return FTypeDescriptions->Find(ext, description);
                });
            }
            item.TypeName = type;
            break;
        }
        default:
            applyFigures(TStRowFigures{});
            break;
    }
    std::string date = kind == rkSystemFolder ? std::string() : RowDateText(item.FModifiedDate);
    item.ColumnTexts = RowTexts(kind, TStRowFigures{item.FSize, item.FUsedSize, item.Slack, item.FFileCount}, type,
                                date, item.AttributeText);
    item.DetailsFilled = true;
    if (kind != rkFile && kind != rkSearchedFile) AskFigures(item);
}

// ---------------------------------------------------------------------------------------------------------------
// Folder figures

void TStShellListView::SetCalcFolderSize(bool on) {
    if (on == FCalcFolderSize) return;
    FCalcFolderSize = on;
    if (FFilling || !FDetailsFilled || FFullList.Count() == 0) return;
    std::vector<TStShellItemList*> lists{&FFullList};
    if (FFilteredList.Count() > 0) lists.push_back(&FFilteredList);
    // A row with folder figures: a folder, a drive or another shell object (the filtered list's copies
    // of files answer false for IsFile).
    auto folderRow = [](const TStShellItem& item) {
        return item.DetailsFilled && !(item.IsFileSystem && !item.IsFileSystemFolder);
    };
    if (on) {
        // The folders' figures are asked for together.
        {
            TFlagScope collecting(FFilling);
            for (TStShellItemList* list : lists)
                for (auto& item : list->Storage())
                    if (folderRow(*item)) AskFigures(*item);
        }
        RequestPendingFigures();
    } else {
        FModel->Reset();
        FPendingFigures.clear();
        const TStRowFigures unknown = FolderRowFigures(false, nullptr);
        for (TStShellItemList* list : lists)
            for (auto& item : list->Storage())
                if (folderRow(*item)) {
                    item->FSize = unknown.Size;
                    item->FUsedSize = unknown.UsedSize;
                    item->Slack = unknown.Slack;
                    item->FFileCount = unknown.FileCount;
                    SetFigureTexts(item->ColumnTexts, unknown);
                }
        RowsChanged();
    }
    // Rows sorted by a figure take their places by the figures known now.
    if (GSortColumn > 0 && GSortColumn < static_cast<int>(FColumns.size())) {
        TStSortKey key = FColumns[GSortColumn].SortKey;
        if (key == skSize || key == skUsed || key == skSlack || key == skFiles) ResortKeepingSelection();
    }
    if (OnFiguresChanged) OnFiguresChanged(this);
}

void TStShellListView::AskFigures(TStShellItem& item) {
    if (!FCalcFolderSize || item.Path.empty()) return;
    if (ApplyKnownFigures(item)) return;
    if (FFilling) {
        FPendingFigures.push_back(item.Path);
        return;
    }
    FModel->Request({item.Path});
    ApplyKnownFigures(item);
}

void TStShellListView::RequestPendingFigures() {
    if (FPendingFigures.empty()) return;
    std::vector<std::string> folders;
    folders.swap(FPendingFigures);
    FModel->Request(folders);
    // Folders the service knew already are known now.
    const std::unordered_set<std::string> asked(folders.begin(), folders.end());
    for (TStShellItemList* list : {&FFullList, &FFilteredList})
        for (auto& item : list->Storage())
            if (!item->IsFile && asked.count(item->Path)) ApplyKnownFigures(*item);
    RowsChanged();
}

bool TStShellListView::ApplyKnownFigures(TStShellItem& item) {
    TFolderTotals totals;
    if (item.Path.empty() || !FModel->Figures(item.Path, totals)) return false;
    TStRowFigures f = FolderRowFigures(true, [&](std::int64_t& used, std::int64_t& count) {
        used = totals.Used;
        count = totals.Count;
        return totals.Size;
    });
    item.FSize = f.Size;
    item.FUsedSize = f.UsedSize;
    item.Slack = f.Slack;
    item.FFileCount = f.FileCount;
    SetFigureTexts(item.ColumnTexts, f);
    UpdateChangeText(item);
    return true;
}

void TStShellListView::FiguresChanged(const TFolderModelChange& change) {
    if (!change.Folders.empty()) {
        std::unordered_set<std::string> arrived(change.Folders.begin(), change.Folders.end());
        for (TStShellItemList* list : {&FFullList, &FFilteredList})
            for (auto& item : list->Storage())
                if (!item->IsFile && arrived.count(item->Path)) ApplyKnownFigures(*item);
        RowsChanged();
    }
    // Rows sorted by a figure take their places once the figures are all in.
    if (change.State && FModel->State() != TFiguresState::Running && GSortColumn > 0 &&
        GSortColumn < static_cast<int>(FColumns.size())) {
        TStSortKey key = FColumns[GSortColumn].SortKey;
        if (key == skSize || key == skUsed || key == skSlack || key == skFiles || key == skChange)
            ResortKeepingSelection();
    }
    if (OnFiguresChanged && (!change.Folders.empty() || change.Progress || change.State)) OnFiguresChanged(this);
}

void TStShellListView::SetFolderSizeService(TFolderSizeService& service) {
    auto model = std::make_unique<TFolderModel>(service);
    if (FModel) {
        model->SetMask(FModel->Mask());
        model->SetFiltered(FModel->Filtered());
    }
    // Called on a worker: it only posts. The model stops waking before it goes.
    model->OnWake = [wnd = Handle()] { ::PostMessageW(wnd, kFiguresMessage, 0, 0); };
    model->OnChanged = [this](const TFolderModelChange& change) { FiguresChanged(change); };
    FModel = std::move(model);
}

bool TStShellListView::CancelFigures() {
    return FModel->Cancel();
}

void TStShellListView::ResortKeepingSelection() {
    std::vector<std::string> selected;
    for (int row : SelectedIndices())
        if (TStShellItem* item = RowItem(row)) selected.push_back(item->Path);
    SortList();
    for (int row : SelectedIndices()) SetSelected(row, false);
    for (int row = 0, n = ItemCount(); row < n && !selected.empty(); ++row)
        if (TStShellItem* item = RowItem(row);
            item && !item->Path.empty() && std::find(selected.begin(), selected.end(), item->Path) != selected.end())
            SetSelected(row, true);
    FSelectionStale = true;
    RowsChanged();
}

void TStShellListView::BuildColumns(LPCITEMIDLIST folder) {
    // The fixed sets: the shell's own column details carry no folder sizes.
    TStFolderKind kind = fkOtherShell;
    if (FCurrentFolder && !folder) kind = fkFileSystem;
    LPITEMIDLIST bin = nullptr;
    bool isBin = false;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &bin)) && bin) {
        isBin = folder && ::ILIsEqual(bin, folder);
        ::CoTaskMemFree(bin);
    }
    if (isBin)
        kind = fkRecycleBin;
    else if (!folder || ILIsEmpty(folder) || FFolderIsFileSystem)
        kind = fkFileSystem;
    std::vector<TStColumn> columns = FixedColumns(kind);
    AddChangeColumn(columns, kind);
    bool same = FColumns.size() == columns.size() && ColumnCount() == static_cast<int>(columns.size());
    for (size_t i = 0; same && i < columns.size(); ++i)
        same = FColumns[i].Caption == columns[i].Caption && FColumns[i].Width == columns[i].Width;
    if (!same) {
        ClearColumns();
        for (const TStColumn& c : columns)
            AddColumn(c.Caption, c.Width, c.RightAligned ? taRightJustify : taLeftJustify);
        FColumns = columns;
    }
    FColumnsBuilt = true;
}

// ---------------------------------------------------------------------------------------------------------------
// Sorting, filtering, refresh

void TStShellListView::SortList() {
    TStShellItemList* list = &ActiveList();
    auto sortOne = [&](TStShellItemList& l) {
        if (l.Count() < 2) return;
        TStSortRequest request;
        int column = GSortColumn;
        if (column < 0 || (!FColumns.empty() && column >= static_cast<int>(FColumns.size()))) return;
        request.Key = FColumns.empty() ? skName : FColumns[column].SortKey;
        request.TextColumn = column - 1;
        request.TypeByExtension = (FOptions & loSortTypeByExt) != 0;
        request.ChangeOf = [this](const TStShellItem& item, std::int64_t& change) { return ItemChange(item, change); };
        if (request.Key == skName && !FFolderIsFileSystem) {
            TStShellController* controller = FController;
            request.CompareNames = [controller](const TStShellItem& a, const TStShellItem& b) {
                return controller->CompareNames(a, b);
            };
        }
        SortItems(l.Storage(), request);
    };
    sortOne(FFullList);
    if (list == &FFilteredList) sortOne(FFilteredList);
}

void TStShellListView::ClickColumn(int column) {
    // The focused row's item, to select it again after the order changed.
    TStShellItem* focused = RowItem(FocusedIndex());
    std::string path = focused ? focused->Path : std::string();
    TPidl pidl = focused && focused->Path.empty() ? focused->FullIdList() : nullptr;
    bool hadSelection = SelectedIndex() >= 0;
    bool hadFocus = focused != nullptr;
    if (column == GSortColumn) {
        // Only the row mapping turns round.
        GAscending = !GAscending;
        RowsChanged();
        Invalidate();
    } else {
        GAscending = true;
        GSortColumn = column;
        int top = TopIndex();
        SortList();
        RowsChanged();
        Invalidate();
        if (top >= 0 && top < ItemCount()) EnsureVisible(top);
    }
    SetSortArrow(GSortColumn, GAscending);
    if (hadSelection && hadFocus) {
        for (int i : SelectedIndices()) SetSelected(i, false);
        for (int row = 0, n = ItemCount(); row < n; ++row) {
            TStShellItem* item = RowItem(row);
            if (item && (path.empty() ? SamePidl(item->FullIdList().get(), pidl.get()) : item->Path == path)) {
                SetSelected(row, true);
                EnsureVisible(row);
            }
        }
        FSelectionStale = true;
    }
}

void TStShellListView::SetFileFilter(const std::string& filter) {
    if (filter == FileFilter()) return;
    FModel->SetMask(filter);
    Refilter();
}

void TStShellListView::SetFiltered(bool filtered) {
    if (filtered == Filtered()) return;
    FModel->SetFiltered(filtered);
    Refilter();
}

// The mask or the filtering switch changed: without a mask in force every row shows again; with one,
// the folder is listed again through the filter event, or the mask is applied to the rows listed.
void TStShellListView::Refilter() {
    FFilteredList.Clear();
    if (FileFilter().empty() || !Filtered()) {
        if (FCurrentFolder) ShowRows();
        return;
    }
    if (OnFilterItem) {
        if (FCurrentFolder) {
            TFlagScope refilter(FRefilter);
            std::unique_ptr<TStShellFolder> copy = std::make_unique<TStShellFolder>(FController);
            copy->AssignItem(*FCurrentFolder);
            Fill(copy.get());
        }
    } else {
        ApplyMaskFilter();
    }
}

void TStShellListView::ApplyMaskFilter() {
    SetItemCount(0);
    CopyMaskedItems();
    Refresh(false);
}

void TStShellListView::CopyMaskedItems() {
    // Folders always pass; files only when their name matches the mask.
    FFilteredList.Clear();
    TStMaskFilter mask(FileFilter());
    for (const auto& item : FFullList.Storage()) {
        if (item->IsFile && !mask.Matches(FileNameOf(item->Path))) continue;
        auto copy = std::make_unique<TStShellItem>(FController);
        copy->AssignItem(*item);
        FFilteredList.Add(std::move(copy));
    }
}

int TStShellListView::FindRow(int start, const TListFindRequest& request) {
    int count = ActiveList().Count();
    // Folded as the sort folds names.
    std::string wanted = request.ByData ? std::string() : FoldCase(request.Text);
    for (int row = std::max(start, 0); row < count; ++row) {
        TStShellItem* item = RowItem(row);
        if (!item) continue;
        if (request.ByData) {
            if (RowToItemIndex(row, count, GAscending) == static_cast<int>(request.Data)) return row;
            continue;
        }
        std::string caption = FoldCase(item->DisplayName);
        if (request.Partial ? caption.compare(0, wanted.size(), wanted) == 0 : caption == wanted) return row;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------------------------
// Root, navigation

void TStShellListView::SetRootFolder(const std::string& path, TPidl parsed) {
    std::string text = path;
    if (text.size() == 2 && text[1] == ':') text += '\\';
    FRootFolder = text;
    FRootIdList = std::move(parsed);
    if (text.empty()) {
        ClearWhenIdle();
        return;
    }
    FSpecialRootFolder = sfNone;
    // The fill brings the combo box up to date (now, or once a running fill has ended).
    Fill(nullptr);
}

namespace {
// The shell library's version as major * 100 + minor (4.71 gives 471); 0 when it does not say.
int ShellVersion() {
    static int version = [] {
        HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
        auto get = shell ? reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
                               reinterpret_cast<void*>(::GetProcAddress(shell, "DllGetVersion")))
                         : nullptr;
        DLLVERSIONINFO info{};
        info.cbSize = sizeof(info);
        if (!get || FAILED(get(&info))) return 0;
        return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
    }();
    return version;
}
}  // namespace

void TStShellListView::SetSpecialRootFolder(TStSpecialRootFolder folder) {
    if (folder == FSpecialRootFolder) return;
    if (NeedsNewShell(folder) && ShellVersion() < 471)
        throw ESsShellError("This special folder needs shell version 4.71 or later");
    FSpecialRootFolder = folder;
    if (folder == sfNone) {
        ClearWhenIdle();
        return;
    }
    FRootFolder.clear();
    Fill(nullptr);
}

void TStShellListView::NavigateInto(const TStShellItem* item) {
    if (!item) return;
    auto copy = std::make_unique<TStShellItem>(FController);
    copy->AssignItem(*item);
    Fill(copy.get());
}

void TStShellListView::UpOneLevel() {
    if (FScan) return ScanUpOneLevel();
    if (!FCurrentFolder) return;
    TPidl up = ::ClonePidl(FCurrentFolder->AbsoluteIdList.get());
    if (up && !ILIsEmpty(up.get())) ::ILRemoveLastID(up.get());
    std::unique_ptr<TStShellItem> item = FController->CreateItem(up.get());
    Fill(item.get());
}

void TStShellListView::SetOptions(TStListOptions options) {
    FOptions = options;
    if (FOptions & loAllowDrop)
        RegisterDropTarget();
    else
        RevokeDropTarget();
}

void TStShellListView::ClearWhenIdle() {
    // Never under a running fill: it goes on with its lists once the fill has ended.
    auto clear = [this] {
        SetItemCount(0);
        FChangedItem = nullptr;
        ClearSelectionList();
        FFilteredList.Clear();
        FFullList.Clear();
    };
    if (!Defer(dwFilling, clear)) clear();
}

void TStShellListView::ChangeViewStyle(TViewStyle style) {
    // The items are being read: the style changes once they are all there.
    if (Defer(dwFilling, [this, style] { ChangeViewStyle(style); })) return;
    if (style != vsReport) GAscending = true;
    TRedrawLock lock(Handle());
    SetViewStyle(style);
    if (style == vsReport && FFullList.Count() > 0) {
        if (!FColumnsBuilt) BuildColumns(FCurrentFolder ? FCurrentFolder->AbsoluteIdList.get() : nullptr);
        if (!FDetailsFilled) {
            {
                // The folders' figures are asked for together.
                TFlagScope collecting(FFilling);
                for (auto& item : FFullList.Storage())
                    if (!item->DetailsFilled) FillDetails(*item);
                for (auto& item : FFilteredList.Storage())
                    if (!item->DetailsFilled) FillDetails(*item);
            }
            FDetailsFilled = true;
            RequestPendingFigures();
        }
        GAscending = true;
        GSortColumn = 0;
        SortList();
    }
    RowsChanged();
    for (int i = 0; i < FViewMenu->Count(); ++i)
        if (i == style) FViewMenu->Items(i)->SetChecked(true);
}

// ---------------------------------------------------------------------------------------------------------------
// Selection, double-click, rename, context menu

TStShellItemList& TStShellListView::SelectionList() {
    if (FSelectionStale) RebuildSelection();
    return FSelectionList;
}

void TStShellListView::ClearSelectionList() {
    FSelectionList.Clear();
    FSelectionStale = false;
}

void TStShellListView::RebuildSelection() {
    FSelectionStale = false;
    FSelectionList.Clear();
    for (int row : SelectedIndices()) {
        TStShellItem* item = RowItem(row);
        if (!item) continue;
        auto copy = std::make_unique<TStShellItem>(FController);
        copy->AssignItem(*item);
        FSelectionList.Add(std::move(copy));
    }
}

void TStShellListView::DoDblClick() {
    int row = SelectedIndex();
    if (row < 0) return;
    TStShellItem* item = RowItem(row);
    if (!item) return;
    bool defaultAction = true;
    if (FOpenDialogMode) {
        if (OnItemDblClick) OnItemDblClick(this, item, defaultAction);
        if (defaultAction && item->IsFolder()) NavigateInto(item);
        return;
    }
    if (OnItemDblClick) OnItemDblClick(this, item, defaultAction);
    if (!defaultAction) return;
    if (item->IsFileSystem && !item->IsFileSystemFolder) {
        if (ShellOpen) ShellOpen(item->Path);
    } else if (!item->IsFolder() || (FOptions & loOpenFoldersInNewWindow)) {
        item->InvokeDefault();
    } else {
        NavigateInto(item);
    }
}

bool TStShellListView::RenameRow(int row, const std::string& text) {
    TStShellItem* item = RowItem(row);
    if (!item || text.empty() || text == item->DisplayName) return false;
    THourGlass hourGlass;
    TPidl renamed = FController->RenameItem(*item, text, Handle());
    if (!renamed) return false;
    if (item->AbsoluteIdList) {
        TPidl parent = item->FullIdList();
        ::ILRemoveLastID(parent.get());
        item->AbsoluteIdList.reset(::ILCombine(parent.get(), renamed.get()));
    }
    item->Path = FController->GetItemName(item->ParentFolder.get(), renamed.get(), SHGDN_FORPARSING);
    item->RelativeIdList = std::move(renamed);
    item->DisplayName = text;
    item->TypeName.clear();
    RowsChanged(row, row);
    return true;
}

void TStShellListView::ContextMenu(POINT at) {
    std::vector<int> rows = SelectedIndices();
    if ((FOptions & loShellMenu) && !rows.empty() && !FScan) {
        std::vector<LPCITEMIDLIST> children;
        IShellFolder* folder = nullptr;
        for (int row : rows)
            if (TStShellItem* item = RowItem(row); item && item->ShellObjects()) {
                children.push_back(item->RelativeIdList.get());
                if (!folder) folder = item->ParentFolder.get();
            }
        if (at.x == -1 && at.y == -1) {
            RECT r{};
            ListView_GetItemRect(Handle(), rows.front(), &r, LVIR_LABEL);
            at = POINT{r.left, r.bottom};
            ::ClientToScreen(Handle(), &at);
        }
        if (!folder) return;  // only rows without a shell object (gone rows) are selected
        int command = FController->ShowShellMenu(Handle(), (FOptions & loExtendedMenu) != 0,
                                                 (FOptions & loAllowRename) != 0, folder, children, at);
        if (command == 19) EditCaption(rows.front());
        return;
    }
    if (at.x == -1 && at.y == -1) {
        at = POINT{0, 0};
        ::ClientToScreen(Handle(), &at);
    }
    FViewMenu->Popup(at.x, at.y, Handle());
}

bool TStShellListView::HandleNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
        case LVN_ITEMCHANGED: {
            auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            if ((nm->uChanged & LVIF_STATE) && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED)) {
                FSelectionStale = true;
                FChangedItem = RowItem(nm->iItem);
                if ((nm->uNewState & LVIS_SELECTED) && OnItemSelected && FChangedItem)
                    OnItemSelected(this, FChangedItem);
            }
            break;
        }
        case LVN_ODSTATECHANGED:
            FSelectionStale = true;
            break;
        case NM_CLICK: {
            FSelectionStale = true;
            int row = SelectedIndex();
            if (row >= 0) {
                RowsChanged(row, row);
                if (OnItemSelected)
                    if (TStShellItem* item = RowItem(row)) OnItemSelected(this, item);
            }
            break;
        }
        case NM_DBLCLK:
            DoDblClick();
            break;
        default:
            break;
    }
    return TListView::HandleNotify(hdr, result);
}

LRESULT TStShellListView::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kFiguresMessage) {
        FModel->Deliver();
        return 0;
    }
    if (msg == WM_CONTEXTMENU) {
        POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ContextMenu(at);
        return 0;
    }
    return TListView::WndProc(msg, wp, lp);
}
