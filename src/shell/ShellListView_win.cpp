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

TStShellListView::TStShellListView(TComponent* owner, TWinControl* parent)
    : TListView(owner, parent, ShellListOptions()) {
    SetBounds(Left(), Top(), 270, 180);
    ShellOpen = [](const std::string& path) {
        ::ShellExecuteW(nullptr, L"open", Widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    FTypeDescriptions = LoadTypeDescriptions();
    FModel = std::make_unique<TFolderModel>(FolderSizeService());
    // Called on a worker: it only posts. The model stops waking before it goes.
    FModel->OnWake = [wnd = Handle()] { ::PostMessageW(wnd, kFiguresMessage, 0, 0); };
    // The list listens first, so its rows are right before the other views read the model.
    FModel->Subscribe([this](const TFolderModelChange& change) { ModelChanged(change); });

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
    FSelectionList.Clear();
    FIncoming.Clear();
    FCurrentFolder.reset();
}

void TStShellListView::SetController(TStShellController* controller) {
    FController = controller ? controller : FOwnController.get();
    SetSharedImages(FController->SmallImages(), FController->LargeImages());
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
    FChangedItem = 0;
    FModel->Reset();
    FPendingFigures.clear();
    {
        TRedrawLock lock(Handle());
        SetItemCount(0);
        FIncoming.Clear();
    }
    // The model keeps the rows before until the new ones replace them (one change for the views); a
    // fill that ends early leaves it empty.
    struct TRowsScope {
        TStShellListView& List;
        bool Set = false;
        ~TRowsScope() {
            if (!Set) List.FModel->ClearRows();
        }
    } rowsScope{*this};
    FModel->SetSortState(0, FModel->Ascending());
    FModel->SetMasksRows(!OnFilterItem);

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
    CompareFilled(FIncoming);
    // 7., 8. The model sorts the rows and applies the mask.
    SetSortRules();
    FModel->SetRows(std::move(FIncoming));
    rowsScope.Set = true;
    // 9.
    ShowRows();
    RequestPendingFigures();
    // 10.
    if (OnListFilled) OnListFilled(this);
    // 11. (The folder combo box follows the model's new rows.)
    if (OnRearmNotification) OnRearmNotification(this);
}

void TStShellListView::ShowRows() {
    {
        TRedrawLock lock(Handle());
        SetItemCount(FModel->RowCount());
        if (FModel->RowCount() > 0) EnsureVisible(0);
    }
    SetSortArrow(FColumns.empty() ? -1 : FModel->SortColumn(), FModel->Ascending());
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
    item->OwnerList = FSinkList;
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
    TStShellItemList& rows = FModel->AllRows();
    if (FFilling || !FDetailsFilled || rows.Count() == 0) return;
    // A row with folder figures: a folder, a drive or another shell object.
    auto folderRow = [](const TStShellItem& item) {
        return item.DetailsFilled && !(item.IsFileSystem && !item.IsFileSystemFolder);
    };
    if (on) {
        // The folders' figures are asked for together.
        {
            TFlagScope collecting(FFilling);
            for (auto& item : rows.Storage())
                if (folderRow(*item)) AskFigures(*item);
        }
        RequestPendingFigures();
    } else {
        FPendingFigures.clear();
        FModel->ForgetFigures();
    }
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
    // Folders the service knew already are known now: the model puts them in their rows.
    FModel->Request(folders);
    RowsChanged();
}

bool TStShellListView::ApplyKnownFigures(TStShellItem& item) {
    if (!FModel->ApplyFigures(item)) return false;
    SetFigureTexts(item.ColumnTexts, TStRowFigures{item.FSize, item.FUsedSize, item.Slack, item.FFileCount});
    UpdateChangeText(item);
    return true;
}

void TStShellListView::ModelChanged(const TFolderModelChange& change) {
    // Figures that became known or were dropped, and rows read again: the figure texts follow. A row
    // gone from the disk keeps its old size text.
    bool texts = false;
    for (const std::vector<TRowId>* ids : {&change.Updated, &change.Added})
        for (TRowId id : *ids)
            if (TStShellItem* item = FModel->Find(id); item && !item->IsFile && item->DetailsFilled && !IsGone(*item)) {
                SetFigureTexts(item->ColumnTexts,
                               TStRowFigures{item->FSize, item->FUsedSize, item->Slack, item->FFileCount});
                UpdateChangeText(*item);
                texts = true;
            }
    // A new listing shows its rows when the fill ends; the list's own sorts place their rows themselves.
    if (!change.Folder && (change.Rows() || !change.Before.empty()) && !FPlacingRows && Handle())
        FollowRows(change.Before);
    else if (texts)
        RowsChanged();
}

void TStShellListView::SetFolderSizeService(TFolderSizeService& service) {
    FModel->SetService(service);
}

bool TStShellListView::CancelFigures() {
    return FModel->Cancel();
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

void TStShellListView::SetSortRules() {
    TFolderSortRules rules;
    for (const TStColumn& c : FColumns) rules.Keys.push_back(c.SortKey);
    rules.TypeByExtension = (FOptions & loSortTypeByExt) != 0;
    rules.ChangeOf = [this](const TStShellItem& item, std::int64_t& change) { return ItemChange(item, change); };
    if (!FFolderIsFileSystem) {
        TStShellController* controller = FController;
        rules.CompareNames = [controller](const TStShellItem& a, const TStShellItem& b) {
            return controller->CompareNames(a, b);
        };
    }
    FModel->SetSortRules(std::move(rules));
}

void TStShellListView::ClickColumn(int column) {
    // The focused row's item, to select it again after the order changed.
    const TRowId focused = FModel->RowId(FocusedIndex());
    bool hadSelection = SelectedIndex() >= 0;
    {
        TFlagScope placing(FPlacingRows);
        if (column == FModel->SortColumn()) {
            // Only the row mapping turns round.
            FModel->Sort(column, !FModel->Ascending());
            RowsChanged();
            Invalidate();
        } else {
            int top = TopIndex();
            FModel->Sort(column, true);
            RowsChanged();
            Invalidate();
            if (top >= 0 && top < ItemCount()) EnsureVisible(top);
        }
    }
    SetSortArrow(FModel->SortColumn(), FModel->Ascending());
    if (hadSelection && focused) {
        for (int i : SelectedIndices()) SetSelected(i, false);
        if (const int row = FModel->RowOf(focused); row >= 0) {
            SetSelected(row, true);
            EnsureVisible(row);
        }
        FSelectionStale = true;
    }
}

void TStShellListView::SetFileFilter(const std::string& filter) {
    if (filter == FileFilter()) return;
    FModel->SetMasksRows(!OnFilterItem);
    FModel->SetMask(filter);
    Refilter();
}

void TStShellListView::SetFiltered(bool filtered) {
    if (filtered == Filtered()) return;
    FModel->SetMasksRows(!OnFilterItem);
    FModel->SetFiltered(filtered);
    Refilter();
}

// The mask or the filtering switch changed: the model shows the rows the mask lets through (the list
// followed its change); with a filter event, the folder is listed again through it.
void TStShellListView::Refilter() {
    if (FileFilter().empty() || !Filtered() || !OnFilterItem || !FCurrentFolder) return;
    TFlagScope refilter(FRefilter);
    std::unique_ptr<TStShellFolder> copy = std::make_unique<TStShellFolder>(FController);
    copy->AssignItem(*FCurrentFolder);
    Fill(copy.get());
}

int TStShellListView::FindRow(int start, const TListFindRequest& request) {
    int count = FModel->RowCount();
    // Folded as the sort folds names.
    std::string wanted = request.ByData ? std::string() : FoldCase(request.Text);
    for (int row = std::max(start, 0); row < count; ++row) {
        TStShellItem* item = RowItem(row);
        if (!item) continue;
        if (request.ByData) {
            if (RowToItemIndex(row, count, FModel->Ascending()) == static_cast<int>(request.Data)) return row;
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
    // A file-system folder's parent is its path without the last name: CreateFolder takes it where the
    // shell's own name for the parent would be cut at MAX_PATH.
    const std::string& path = FCurrentFolder->Path;
    const std::size_t cut = path.find_last_of('\\');
    const bool named = FCurrentFolder->IsFileSystem && cut != std::string::npos;
    std::unique_ptr<TStShellFolder> parent = FController->CreateFolder(up.get(), named ? path.substr(0, cut) : "");
    Fill(parent.get());
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
        FChangedItem = 0;
        ClearSelectionList();
        FModel->ClearRows();
    };
    if (!Defer(dwFilling, clear)) clear();
}

void TStShellListView::ChangeViewStyle(TViewStyle style) {
    // The items are being read: the style changes once they are all there.
    if (Defer(dwFilling, [this, style] { ChangeViewStyle(style); })) return;
    if (style != vsReport) FModel->SetSortState(FModel->SortColumn(), true);
    TRedrawLock lock(Handle());
    SetViewStyle(style);
    TStShellItemList& rows = FModel->AllRows();
    if (style == vsReport && rows.Count() > 0) {
        if (!FColumnsBuilt) BuildColumns(FCurrentFolder ? FCurrentFolder->AbsoluteIdList.get() : nullptr);
        if (!FDetailsFilled) {
            {
                // The folders' figures are asked for together.
                TFlagScope collecting(FFilling);
                for (auto& item : rows.Storage())
                    if (!item->DetailsFilled) FillDetails(*item);
            }
            FDetailsFilled = true;
            RequestPendingFigures();
        }
        SetSortRules();
        TFlagScope placing(FPlacingRows);
        FModel->SetSortState(-1, true);  // sorts again by name, whatever the column before
        FModel->Sort(0, true);
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
                FChangedItem = FModel->RowId(nm->iItem);
                if ((nm->uNewState & LVIS_SELECTED) && OnItemSelected && FChangedItem)
                    OnItemSelected(this, FModel->Find(FChangedItem));
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
