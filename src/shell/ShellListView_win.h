#pragma once
// TStShellListView: the explorer pane's folder list (Windows only). A virtual report list over the
// children of one shell folder, with folder sizes, sorting by column, the mask filter, double-click
// navigation, in-place rename, the shell's context menu and drag and drop.
//
// The list is a view of the folder model (FolderModel.h): the model owns the rows, their figures, the
// sort order and the mask, and the control's row r is the model's shown row r. The control holds only
// the row count and asks for the rows it draws; a header click asks the model to sort, and the
// selection, the focus and the top row follow their rows' ids whenever the model moves them.
//
// Folder sizes never hold the list up: a folder row's figure cells stay empty until the model has its
// totals from the folder-size service's workers, which reach the window's thread through a message the
// list posts itself; then they fill in, and the model's Changed event tells the other views.
//
// A fill reads the folder into a list of its own and hands it to the model when the listing ends. It runs
// inside a busy scope: a second fill asked for while one runs (or while any long operation runs) waits
// until it has ended, so the rows in use are never freed under it.
#include <functional>
#include <memory>
#include <string>

#include "platform/DirList.h"
#include "shell/FolderModel.h"
#include "shell/ScanTree.h"
#include "shell/ShellController_win.h"
#include "shell/ShellItem.h"
#include "shell/FolderRows.h"
#include "shell/TypeDescriptions.h"
#include "ui/ComCtrls.h"

struct TImportedScan;
class TPopupMenu;
class TScanBaseline;
class TMenuItem;
class TAnimate;

class ESsInvalidFolder : public Exception {
public:
    using Exception::Exception;
};
class ESsShellError : public Exception {
public:
    using Exception::Exception;
};

using TStItemDblClickEvent = std::function<void(TObject* Sender, TStShellItem* Item, bool& DefaultAction)>;
using TStItemSelectedEvent = std::function<void(TObject* Sender, TStShellItem* Item)>;
using TStEnumItemEvent = std::function<void(TObject* Sender, TStShellItem* ShellItem, bool& Accept)>;
using TStShellNotifyEvent3 =
    std::function<void(TObject* Sender, TStShellItem* OldShellItem, TStShellItem* NewShellItem, unsigned Events)>;

class TStShellListView : public TListView, private TStEnumSink {
public:
    TStShellListView(TComponent* owner, TWinControl* parent);
    ~TStShellListView() override;

    // Properties.
    bool CalcFolderSize() const { return FCalcFolderSize; }
    // Switched on or off while rows are shown, the rows stay: the folder rows' figures are asked for,
    // or dropped (their cells empty again), and the model tells the other views. During a fill
    // it only sets what the rows made from then on show.
    void SetCalcFolderSize(bool on);
    TColor CompressedColor() const { return FCompressedColor; }
    void SetCompressedColor(TColor color) { FCompressedColor = color; }
    // The mask and the filtering switch are the model's.
    const std::string& FileFilter() const { return FModel->Mask(); }
    void SetFileFilter(const std::string& filter);
    bool Filtered() const { return FModel->Filtered(); }
    void SetFiltered(bool filtered);
    // The rows, their figures, the sort order and the mask (the list's own model, for its life).
    TFolderModel& Model() { return *FModel; }
    const TFolderModel& Model() const { return *FModel; }
    // Stops the folder-size walk of the listing shown; true when one ran. Figures known so far stay.
    bool CancelFigures();
    // The folder-size service the figures come from (the process's by default); takes effect with the
    // next listing. Tests put one over a lister that holds a folder back.
    void SetFolderSizeService(TFolderSizeService& service);
    bool OpenDialogMode() const { return FOpenDialogMode; }
    void SetOpenDialogMode(bool on) { FOpenDialogMode = on; }
    TStOptimization Optimization() const { return FOptimization; }
    void SetOptimization(TStOptimization o) { FOptimization = o; }
    TStListOptions Options() const { return FOptions; }
    void SetOptions(TStListOptions options);
    const std::string& RootFolder() const { return FRootFolder; }
    // parsed: the path's identifier list when the caller has parsed it already (the next fill takes
    // it instead of parsing the path again).
    void SetRootFolder(const std::string& path, TPidl parsed = TPidl());
    TStSpecialRootFolder SpecialRootFolder() const { return FSpecialRootFolder; }
    void SetSpecialRootFolder(TStSpecialRootFolder folder);
    // Changing the style fills what report view lacks and lists ascending again.
    void ChangeViewStyle(TViewStyle style);

    TStItemDblClickEvent OnItemDblClick;
    TStItemSelectedEvent OnItemSelected;
    TStEnumItemEvent OnFilterItem;
    TNotifyEvent OnListFilled;
    TStShellNotifyEvent3 OnShellChangeNotify;
    // Raised at the start of every fill that has something to show (assigned in code).
    TNotifyEvent OnBeforeFill;
    // After each fill: re-arm the change notification on the new folder (assigned by the
    // change-notification code).
    TNotifyEvent OnRearmNotification;

    // State.
    TStShellController* Controller() const { return FController; }
    // Takes a controller shared with a combo box (not owned); null makes the list use its own.
    void SetController(TStShellController* controller);
    // Copies of the selected rows' items, made when first asked for after the selection changed; a new
    // listing empties it.
    TStShellItemList& SelectionList();
    // The folder shown (null before the first fill).
    TStShellFolder* CurrentFolder() const { return FCurrentFolder.get(); }
    // The item of the row whose state changed last.
    TStShellItem* ChangedItem() const { return FModel->Find(FChangedItem); }
    TTypeDescriptions& TypeDescriptions() { return *FTypeDescriptions; }
    // The item a row shows (null past the end): the model's shown row.
    TStShellItem* RowItem(int row) const { return FModel->Row(row); }
    bool Filling() const { return FFilling; }

    // Operations.
    // Fills the list with the children of item (null: of the root folder). Asked for during a fill or
    // another long operation, it runs once that has ended.
    void Fill(const TStShellItem* item);
    void NavigateInto(const TStShellItem* item);
    void UpOneLevel();
    // Shows the rows again (after the mask filter changed), or with reenumerate reads the current folder
    // again first; asked for during a fill or another long operation, a re-read waits until it has
    // ended. The selection, the focus and the top row stay with their items.
    void Refresh(bool reenumerate);
    // Reads the current folder again now and updates the rows in place: the old rows stay on screen
    // while the folder is read, then the row count changes once. False when there is no folder or it
    // has gone (deleted, its drive removed): the rows stay as they were. Not during a fill or another
    // long operation (Filling, Application->Busy). Errors of the enumeration propagate; the rows stay.
    bool ReadFolderAgain();
    void ClickColumn(int column);
    void DoDblClick();
    // Row details: figures and texts of one item (also for items made from a change notification).
    void FillDetails(TStShellItem& item);
    void Refilter();
    // Renames the item of a row as the in-place editor would; false when the shell refused.
    bool RenameRow(int row, const std::string& text);
    // The row that a find request would select from row start on, or -1.
    int FindRow(int start, const TListFindRequest& request);
    TPopupMenu* ViewMenu() const { return FViewMenu; }
    // The list's drop target while loAllowDrop holds (registered with the window), else null.
    IDropTarget* DropTarget() const;
    // The shell data object of the selected rows, with the effects every one of them allows; null when
    // nothing is selected.
    TComPtr<IDataObject> SelectionDataObject(DWORD& effects);
    // The caption of the drag image for the selected rows ("2 files, 1 folder").
    std::string SelectionDragCaption();
    // The row a drop at a client point would go to (-1: the current folder), as the drop highlights it.
    int DropRowAt(POINT client);
    // The shell's drop target of a row's folder (row -1: of the current folder); null when it has none.
    TComPtr<IDropTarget> ShellDropTarget(int row);
    // Replaces the shell's drop targets by path (tests: Wine's folder drop target copies nothing).
    std::function<TComPtr<IDropTarget>(const std::string& path)> DropTargetHook;

    // The shell-execute "open" of a file; tests replace it.
    std::function<void(const std::string& path)> ShellOpen;

    // The saved-scan view (ShellListViewScan_win.cpp): the rows of a scan read from a file, from memory,
    // beginning at its root; nothing reads the disk while it is shown. Up one level stops at the scan's
    // root; a fill from the shell (another folder) leaves the view.
    void ShowScan(std::shared_ptr<TImportedScan> scan);
    bool ShowingScan() const { return FScan != nullptr; }
    // The scan shown (null when none), and the tree that holds it.
    const TImportedScan* Scan() const { return FScan.get(); }
    // The scan's folder shown (empty while no scan is shown).
    TScanRef ScanFolder() const { return FScan ? FScanFolder : TScanRef{}; }
    // Shows the scan's folder with that full path; false (nothing changes) when the scan has none.
    bool OpenScanFolder(const std::string& path);
    // Comparing with a saved scan (ShellListViewCompare_win.cpp). With a baseline, a file-system folder's
    // listing gains a "Change" column, and the baseline's entries that are gone from the folder are listed
    // greyed with their old size. Takes effect with the next listing; null stops comparing.
    void SetBaseline(std::shared_ptr<const TScanBaseline> baseline);
    const TScanBaseline* Baseline() const;
    // A row item's change in bytes against the baseline; false when not known (no baseline, a folder
    // outside the saved one, a size not known yet).
    bool ItemChange(const TStShellItem& item, std::int64_t& change) const;
    // A row of the baseline that is gone from the folder.
    bool IsGone(const TStShellItem& item) const;

    bool HandleNotify(NMHDR* header, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    // TStEnumSink
    bool SinkShowHidden() const override { return (FOptions & loShowHidden) != 0; }
    TStOptimization SinkOptimization() const override { return FOptimization; }
    void SinkSearching(bool searching) override;
    void SinkItem(std::unique_ptr<TStShellItem> item) override;

    // path: the folder's file-system path when the caller knows it (the shell cuts deep paths).
    void FillFrom(LPCITEMIDLIST target, bool root, std::string path);
    // While a fill runs (dwFillingOrBusy: or any long operation), hands action over to run once it has
    // ended, unless the list has gone by then, and returns true; otherwise returns false at once.
    enum TStDeferWhen { dwFilling, dwFillingOrBusy };
    bool Defer(TStDeferWhen when, std::function<void()> action);
    void ClearWhenIdle();
    void RunFill(LPCITEMIDLIST target, bool root, const std::string& path);
    void BuildColumns(LPCITEMIDLIST folder);
    // The model's sort rules for the columns and the folder shown.
    void SetSortRules();
    void ShowRows();
    // Sets the row count to the model's once, without scrolling, and shows every row again.
    void UpdateRowCount();
    // The model's rows moved (a sort, the mask, a re-read): the row count follows, and the selection,
    // the focus and the top row go where the rows that had them (before: the ids the rows had) are now.
    void FollowRows(const std::vector<TRowId>& before);
    void RebuildSelection();
    void ClearSelectionList();
    // The children of the folder being listed, handed to the sink.
    void ReadChildren(LPCITEMIDLIST folder, const TStShellFolder& record);
    // The find data of a folder the shell enumerates: read before the enumeration, dropped after it.
    void ReadFolderData(const TStShellFolder& folder);
    void DropFolderData();
    bool FindDataFor(const TStShellItem& item, WIN32_FIND_DATAW& data) const;
    // Folder figures: the folder rows of a listing wait for theirs, asked for in one request when the
    // listing ends (or at once outside a listing); they fill in as the model learns them.
    void AskFigures(TStShellItem& item);
    void RequestPendingFigures();
    bool ApplyKnownFigures(TStShellItem& item);
    void ModelChanged(const TFolderModelChange& change);
    void StartDrag();
    void ContextMenu(POINT at);

    TStShellController* FController = nullptr;
    std::unique_ptr<TStShellController> FOwnController;
    TStShellItemList FSelectionList;
    // Where the enumeration puts the items it accepts until the listing ends and the model takes them.
    TStShellItemList FIncoming;
    TStShellItemList* FSinkList = &FIncoming;
    // The selection changed since FSelectionList was last made.
    bool FSelectionStale = false;
    std::unique_ptr<TStShellFolder> FCurrentFolder;
    TRowId FChangedItem = 0;
    std::unique_ptr<TTypeDescriptions> FTypeDescriptions;
    std::vector<TStColumn> FColumns;
    TPopupMenu* FViewMenu = nullptr;
    TAnimate* FAnimation = nullptr;

    bool FCalcFolderSize = false;
    TColor FCompressedColor = clBlue;
    std::unique_ptr<TFolderModel> FModel;
    std::vector<std::string> FPendingFigures;
    bool FOpenDialogMode = false;
    TStOptimization FOptimization = otEnumerate;
    TStListOptions FOptions = loAllowRename | loAllowDrag | loAllowDrop | loShellMenu;
    std::string FRootFolder;
    TPidl FRootIdList;
    TStSpecialRootFolder FSpecialRootFolder = sfNone;

    bool FColumnsBuilt = false;
    bool FDetailsFilled = false;
    bool FRefilter = false;
    bool FFilling = false;
    // Set while the list itself places the rows after a change it asked the model for.
    bool FPlacingRows = false;
    bool FFolderIsFileSystem = true;
    // Find data of the folder being filled, read in one pass and sorted by name.
    std::vector<TDirItem> FFolderData;
    bool FHaveFolderData = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    class TDropTarget;
    friend class TDropTarget;
    TDropTarget* FDropTarget = nullptr;  // a COM object: released, not deleted
    std::shared_ptr<TImportedScan> FScan;
    TScanRef FScanFolder;
    std::unique_ptr<TStCustomShellController> FScanController;  // the scan rows' answers
    void FillScan(TScanRef folder, const std::string& path);
    void ScanUpOneLevel();
    void LeaveScan();
    void RegisterDropTarget();
    void RevokeDropTarget();
    class TCompare;
    struct TCompareDeleter {
        void operator()(TCompare* compare) const;
    };
    std::unique_ptr<TCompare, TCompareDeleter> FCompare;
    // After a listing's items are in (and before it is sorted): the gone rows and the change texts.
    void CompareFilled(TStShellItemList& rows);
    void UpdateChangeTexts();
    void UpdateChangeText(TStShellItem& item);
    void AddChangeColumn(std::vector<TStColumn>& columns, TStFolderKind kind) const;
};
