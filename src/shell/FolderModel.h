#pragma once
// The folder model: the current folder's rows with their figures, the sort column and direction, and
// the mask. The folder list, the chart, the status bar, the folder combo box and the reports are views of
// it: they keep no copies of the rows and find a row by its id, never by its place in one view.
//
// Rows. The model owns the listing's rows (TStShellItem objects). Each row gets an id when it enters the
// model; an id is never used again within the model's life, and Find answers it in constant time. The
// shown rows are the rows the mask lets through, in the sort order; row r of a view is Row(r). A row
// read again in place (UpdateRows) keeps its id, so a view's selection and a chart's points stay with it.
//
// Changed. Every operation raises one Changed event, to every subscriber in the order they subscribed
// (the folder list subscribes first and puts its rows right before the other views read them). The
// change record says what changed; a view that keeps per-row state reads where the rows stood before
// from Before.
//
// Figures. The totals of the folder rows are asked of the folder-size service on its worker threads.
// Threads: the service reports on worker threads. Its results wait in an inbox, and the first one to
// arrive in an empty inbox calls OnWake there (a view posts itself a message and nothing more). The
// window's thread then calls Deliver, which takes everything waiting, keeps the figures, puts them in
// the rows of their folders and raises Changed. Every other method belongs to the window's thread. Results of a request
// made before the last Reset are dropped, so a new listing never shows the figures of the one before.
//
// A folder's figures are known only once its whole tree is totalled. Complete and NotFound (a folder
// that went away: 0) are exact; Partial (some folder could not be read in full) shows what was read and
// leaves the figures incomplete; Changed (the tree changed while walked) is asked again, at most
// kMaxRounds times; Failed and folders a cancel left unknown stay empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/FolderSize.h"
#include "shell/ShellItem.h"
#include "shell/FolderRows.h"

enum class TFiguresState {
    Idle,       // nothing asked, or every figure known
    Running,    // a request runs
    Cancelled,  // the user stopped it before every figure was read: those not known stay empty
};

// A row's id: given when the row enters the model, never given again; 0 is no row.
using TRowId = std::uint64_t;

// What one operation changed.
struct TFolderModelChange {
    bool Folder = false;               // a new listing (SetRows, ClearRows): every row is new
    std::vector<TRowId> Added;         // rows a re-read found new
    std::vector<TRowId> Removed;       // rows a re-read found gone (no longer in the model)
    std::vector<TRowId> Updated;       // rows read again, or whose figures became known
    std::vector<std::string> Folders;  // folders whose figures became known, as they were asked for
    bool Sort = false;                 // the sort column, the direction or the order changed
    bool Mask = false;                 // the mask or the filtering switch
    bool Progress = false;             // the running count or the folder being read
    bool State = false;                // State() or Incomplete() changed
    // The ids of the shown rows before the operation, in view order; given when the shown rows moved
    // (a sort, the mask, a re-read), empty otherwise.
    std::vector<TRowId> Before;
    // The shown rows changed: a view shows its rows again.
    bool Rows() const { return Folder || Sort || Mask || !Added.empty() || !Removed.empty(); }
    bool Any() const { return Rows() || !Updated.empty() || !Folders.empty() || Progress || State; }
};

// How the rows sort by a column: the column's key and the rules that come with the folder shown.
struct TFolderSortRules {
    std::vector<TStSortKey> Keys;  // by column; empty: by name
    bool TypeByExtension = false;
    std::function<int(const TStShellItem& a, const TStShellItem& b)> CompareNames;  // the shell's order
    std::function<bool(const TStShellItem& item, std::int64_t& change)> ChangeOf;
};

class TFolderModel {
public:
    using TListener = std::function<void(const TFolderModelChange&)>;
    explicit TFolderModel(TFolderSizeService& service);
    ~TFolderModel();  // stops the request; its late results go nowhere
    TFolderModel(const TFolderModel&) = delete;
    TFolderModel& operator=(const TFolderModel&) = delete;

    // Views listen with Subscribe (called in subscription order) and stop with Unsubscribe.
    int Subscribe(TListener listener);
    void Unsubscribe(int token);

    // Rows.
    // A new listing: the rows replace every row (the figures stay until Reset); one Changed (Folder).
    void SetRows(TStShellItemList&& rows);
    void ClearRows();
    // The folder read again: a fresh row with the path of a row listed (or, without a path, one that
    // same finds equal) takes that row's id and place in the model; the rest are added, and rows with no
    // fresh row are removed. One Changed (Added, Removed, Updated: the kept rows).
    using TSameRow = std::function<bool(const TStShellItem& a, const TStShellItem& b)>;
    void UpdateRows(TStShellItemList&& fresh, const TSameRow& same = nullptr);
    // Every row the listing gave, shown or not, in sort order (ascending).
    const TStShellItemList& AllRows() const { return FRows; }
    TStShellItemList& AllRows() { return FRows; }
    // The shown rows, in view order (the direction applied).
    int RowCount() const { return static_cast<int>(FShown.size()); }
    TStShellItem* Row(int row) const;
    TRowId RowId(int row) const;
    // The shown row of an id, -1 when it is hidden or not in the model.
    int RowOf(TRowId id) const;
    // The row of an id, shown or not; null when it is not in the model.
    TStShellItem* Find(TRowId id) const;
    // The id of a row in the model; 0 for anything else.
    TRowId IdOf(const TStShellItem* item) const;

    // Sorting.
    void SetSortRules(TFolderSortRules rules) { FSortRules = std::move(rules); }
    int SortColumn() const { return FSortColumn; }
    bool Ascending() const { return FAscending; }
    // Sorts by column in that direction; the same column in the other direction only turns the view
    // order round. One Changed (Sort).
    void Sort(int column, bool ascending);
    // Sorts again by the column in force (the figures or the rules changed). One Changed (Sort).
    void Resort();
    // Sets the column and direction that the next SetRows sorts by, without sorting or Changed.
    void SetSortState(int column, bool ascending);
    // True when the column in force sorts by a figure that folder totals fill in.
    bool SortsByFigure() const;

    // The mask in force, as the filter box set it. Filtered off, totals count every file ("*.*"); on,
    // they count the mask's files, and an empty mask counts none.
    const std::string& Mask() const { return FMask; }
    void SetMask(const std::string& mask);
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool filtered);
    std::string TotalsMask() const;
    // Whether the model hides the files the mask does not match (TStMaskFilter); off when the listing
    // applied the mask itself while it read the folder.
    bool MasksRows() const { return FMasksRows; }
    void SetMasksRows(bool on);
    // True when the shown rows are fewer than the rows because of the mask.
    bool MaskApplied() const { return FMasksRows && FFiltered && !FMask.empty(); }

    // Figures.
    // Forgets every figure and stops the request (a new listing).
    void Reset();
    // Forgets every figure (folder sizes switched off): the folder rows' figures become unknown (Updated),
    // and rows sorted by a figure sort again. One Changed.
    void ForgetFigures();
    // Asks for the totals of folders with TotalsMask(); folders already asked since the last Reset are
    // not asked again. Folders whose figures the service knows now are known at once, and put in
    // their rows.
    void Request(const std::vector<std::string>& folders);
    // Stops the request: figures known so far stay, the rest stay unknown. True when one ran.
    bool Cancel();
    // Takes the results that arrived, puts the figures in their rows and raises Changed when something
    // changed. Once the last figure is in, rows sorted by a figure sort again.
    void Deliver();

    // The figures of a folder asked for: false while not known.
    bool Figures(const std::string& folder, TFolderTotals& totals) const;
    // Sets a row's figures from its folder's totals (a folder row); false when they are not known.
    bool ApplyFigures(TStShellItem& item) const;
    TFiguresState State() const { return FState; }
    // True until every request has ended (after a cancel: until the workers have stopped).
    bool Walking() const { return FRunning > 0; }
    // True when a figure asked for is missing or was read only in part (the status bar says so).
    bool Incomplete() const;
    std::int64_t FilesCounted() const { return FFiles; }
    const std::string& FolderBeingRead() const { return FReading; }
    // The service the figures come from; a new one takes effect with the next request (after Reset).
    void SetService(TFolderSizeService& service);

    static constexpr int kMaxRounds = 3;

    std::function<void()> OnWake;  // on a worker thread

private:
    struct TInbox;
    struct TFigure {
        TFolderTotals Totals{-1, -1, -1};
        bool Known = false;
        bool Partial = false;
        int Rounds = 0;
    };
    TFolderSizeService* FService;
    std::vector<std::pair<int, TListener>> FListeners;
    int FNextToken = 1;
    // Rows.
    TStShellItemList FRows;
    std::vector<TStShellItem*> FShown;  // in sort order (ascending)
    std::unordered_map<TRowId, TStShellItem*> FById;
    std::unordered_map<const TStShellItem*, TRowId> FIds;
    std::unordered_map<TRowId, int> FShownAt;                          // index into FShown
    std::unordered_map<std::string, std::vector<TRowId>> FFolderRows;  // folder rows by path
    TRowId FNextId = 1;
    int FSortColumn = 0;
    bool FAscending = true;
    TFolderSortRules FSortRules;
    bool FMasksRows = true;
    // Figures.
    std::string FMask;
    bool FFiltered = false;
    std::shared_ptr<TInbox> FInbox;
    std::vector<std::shared_ptr<TFolderSizeJob>> FJobs;
    std::unordered_map<std::string, TFigure> FFigures;
    TFiguresState FState = TFiguresState::Idle;
    bool FCancelled = false;
    std::int64_t FFiles = 0;
    std::string FReading;
    int FRunning = 0;  // requests not ended yet
    void Start(std::vector<std::string> folders);
    void SetState(TFolderModelChange& change);
    void Raise(const TFolderModelChange& change);
    TRowId Enter(TStShellItem* item, TRowId id = 0);
    void SortRows();
    void ShowRows();
    template <typename T>
    void SetMaskSetting(T& setting, const T& value);
    std::vector<TRowId> ShownIds() const;
    // Puts a folder's known figures in its rows, and their ids in updated.
    void FillFigures(const std::string& folder, std::vector<TRowId>& updated);
};
