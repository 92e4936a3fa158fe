#include "shell/FolderModel.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <utility>

// What the workers hand over, and the request generation they belong to.
struct TFolderModel::TInbox {
    std::mutex Lock;
    std::uint64_t Generation = 0;
    std::vector<TFolderSizeResult> Results;
    TFolderSizeProgress Progress;
    bool HaveProgress = false;
    int Ends = 0;
    bool Woken = false;
    std::function<void()> Wake;

    template <typename F>
    void Post(std::uint64_t generation, F&& f) {
        std::lock_guard lock(Lock);
        if (generation != Generation) return;
        f();
        if (!Woken && Wake) {
            Woken = true;
            Wake();
        }
    }
};

TFolderModel::TFolderModel(TFolderSizeService& service) : FService(&service), FInbox(std::make_shared<TInbox>()) {
    // The wake goes through the model's own OnWake, read when a worker calls it; the destructor
    // takes it away first.
    FInbox->Wake = [this] {
        if (OnWake) OnWake();
    };
}

TFolderModel::~TFolderModel() {
    {
        std::lock_guard lock(FInbox->Lock);
        FInbox->Wake = nullptr;
        ++FInbox->Generation;
    }
    for (auto& job : FJobs) job->Cancel();
}

// The mask, the filtering switch and whether the model masks the rows all decide which rows show.
template <typename T>
void TFolderModel::SetMaskSetting(T& setting, const T& value) {
    if (setting == value) return;
    TFolderModelChange change;
    change.Mask = true;
    change.Before = ShownIds();
    setting = value;
    ShowRows();
    Raise(change);
}

void TFolderModel::SetMask(const std::string& mask) {
    SetMaskSetting(FMask, mask);
}

void TFolderModel::SetFiltered(bool filtered) {
    SetMaskSetting(FFiltered, filtered);
}

void TFolderModel::SetMasksRows(bool on) {
    SetMaskSetting(FMasksRows, on);
}

std::string TFolderModel::TotalsMask() const {
    return FFiltered ? FMask.substr(0, TFolderSizeCache::kMaxMask) : std::string("*.*");
}

void TFolderModel::Reset() {
    {
        std::lock_guard lock(FInbox->Lock);
        ++FInbox->Generation;
        FInbox->Results.clear();
        FInbox->HaveProgress = false;
        FInbox->Ends = 0;
        FInbox->Woken = false;
    }
    for (auto& job : FJobs) job->Cancel();
    FJobs.clear();
    FFigures.clear();
    FRunning = 0;
    FCancelled = false;
    FFiles = 0;
    FReading.clear();
    FState = TFiguresState::Idle;
}

void TFolderModel::ForgetFigures() {
    const TFiguresState before = FState;
    Reset();
    TFolderModelChange change;
    change.State = FState != before;
    const TStRowFigures unknown = FolderRowFigures(false, nullptr);
    for (const auto& [path, ids] : FFolderRows)
        for (TRowId id : ids)
            if (TStShellItem* item = Find(id)) {
                item->FSize = unknown.Size;
                item->FUsedSize = unknown.UsedSize;
                item->Slack = unknown.Slack;
                item->FFileCount = unknown.FileCount;
                change.Updated.push_back(id);
            }
    if (SortsByFigure() && FShown.size() > 1) {
        change.Sort = true;
        change.Before = ShownIds();
        SortRows();
        ShowRows();
    }
    Raise(change);
}

void TFolderModel::Request(const std::vector<std::string>& folders) {
    std::vector<std::string> ask, known;
    const std::string mask = TotalsMask();
    for (const std::string& folder : folders) {
        auto [it, added] = FFigures.try_emplace(folder);
        if (!added) continue;
        if (FService->TotalsIfKnown(folder, mask, it->second.Totals)) {
            it->second.Known = true;
            it->second.Partial = it->second.Totals.Partial;
            known.push_back(folder);
        } else {
            ask.push_back(folder);
        }
    }
    TFolderModelChange change;
    for (const std::string& folder : known) FillFigures(folder, change.Updated);
    if (!ask.empty()) Start(std::move(ask));
    SetState(change);
    Raise(change);
}

void TFolderModel::Start(std::vector<std::string> folders) {
    FCancelled = false;
    std::uint64_t generation;
    {
        std::lock_guard lock(FInbox->Lock);
        generation = FInbox->Generation;
    }
    std::shared_ptr<TInbox> inbox = FInbox;
    TFolderSizeCallbacks callbacks;
    callbacks.OnFolder = [inbox, generation](const TFolderSizeResult& r) {
        inbox->Post(generation, [&] { inbox->Results.push_back(r); });
    };
    callbacks.OnProgress = [inbox, generation](const TFolderSizeProgress& p) {
        inbox->Post(generation, [&] {
            inbox->Progress = p;
            inbox->HaveProgress = true;
        });
    };
    callbacks.OnEnd = [inbox, generation](TFolderSizeEnd) { inbox->Post(generation, [&] { ++inbox->Ends; }); };
    ++FRunning;
    FJobs.push_back(FService->TotalsAsync(std::move(folders), TotalsMask(), std::move(callbacks)));
}

bool TFolderModel::Cancel() {
    if (FState != TFiguresState::Running) return false;
    for (auto& job : FJobs) job->Cancel();
    FCancelled = true;
    TFolderModelChange change;
    SetState(change);
    Raise(change);
    return true;
}

void TFolderModel::Deliver() {
    std::vector<TFolderSizeResult> results;
    TFolderSizeProgress progress;
    bool haveProgress = false;
    int ends = 0;
    {
        std::lock_guard lock(FInbox->Lock);
        results.swap(FInbox->Results);
        haveProgress = std::exchange(FInbox->HaveProgress, false);
        if (haveProgress) progress = std::move(FInbox->Progress);
        ends = std::exchange(FInbox->Ends, 0);
        FInbox->Woken = false;
    }
    TFolderModelChange change;
    std::vector<std::string> again;
    for (TFolderSizeResult& r : results) {
        auto it = FFigures.find(r.Folder);
        if (it == FFigures.end() || it->second.Known) continue;
        TFigure& f = it->second;
        switch (r.Status) {
            case TFolderSizeStatus::Complete:
            case TFolderSizeStatus::Partial:
            case TFolderSizeStatus::NotFound:
                f.Totals = r.Totals;
                f.Known = true;
                f.Partial = r.Status == TFolderSizeStatus::Partial || r.Totals.Partial;
                change.Folders.push_back(r.Folder);
                FillFigures(r.Folder, change.Updated);
                break;
            case TFolderSizeStatus::Changed:
                // Read while it changed: asked again unless that keeps happening or the user stopped.
                if (++f.Rounds < kMaxRounds && !FCancelled) again.push_back(r.Folder);
                break;
            case TFolderSizeStatus::Failed:
                break;
        }
    }
    if (haveProgress) {
        FFiles = progress.Files;
        FReading = std::move(progress.Folder);
        change.Progress = true;
    }
    FRunning -= ends;
    if (FRunning < 0) FRunning = 0;
    if (!again.empty()) Start(std::move(again));
    SetState(change);
    // Rows sorted by a figure take their places once the figures are all in.
    if (change.State && FState != TFiguresState::Running && SortsByFigure() && FShown.size() > 1) {
        change.Before = ShownIds();
        change.Sort = true;
        SortRows();
        ShowRows();
    }
    Raise(change);
}

bool TFolderModel::Figures(const std::string& folder, TFolderTotals& totals) const {
    auto it = FFigures.find(folder);
    if (it == FFigures.end() || !it->second.Known) return false;
    totals = it->second.Totals;
    return true;
}

bool TFolderModel::Incomplete() const {
    for (const auto& [folder, f] : FFigures)
        if (!f.Known || f.Partial) return true;
    return false;
}

void TFolderModel::SetState(TFolderModelChange& change) {
    // A cancel that came after the last figure had been read leaves nothing missing: nothing to say.
    bool missing = false;
    if (FCancelled)
        for (const auto& entry : FFigures)
            if (!entry.second.Known) {
                missing = true;
                break;
            }
    TFiguresState state = FCancelled && missing         ? TFiguresState::Cancelled
                          : FRunning > 0 && !FCancelled ? TFiguresState::Running
                                                        : TFiguresState::Idle;
    if (state != FState) {
        FState = state;
        change.State = true;
    }
}

void TFolderModel::SetService(TFolderSizeService& service) {
    Reset();
    FService = &service;
}

bool TFolderModel::ApplyFigures(TStShellItem& item) const {
    TFolderTotals totals;
    if (item.Path.empty() || !Figures(item.Path, totals)) return false;
    const TStRowFigures f = FolderRowFigures(true, [&](std::int64_t& used, std::int64_t& count) {
        used = totals.Used;
        count = totals.Count;
        return totals.Size;
    });
    item.FSize = f.Size;
    item.FUsedSize = f.UsedSize;
    item.Slack = f.Slack;
    item.FFileCount = f.FileCount;
    return true;
}

void TFolderModel::FillFigures(const std::string& folder, std::vector<TRowId>& updated) {
    auto it = FFolderRows.find(folder);
    if (it == FFolderRows.end()) return;
    for (TRowId id : it->second)
        if (TStShellItem* item = Find(id); item && ApplyFigures(*item)) updated.push_back(id);
}

// ---------------------------------------------------------------------------------------------------------------
// Listeners

int TFolderModel::Subscribe(TListener listener) {
    FListeners.emplace_back(FNextToken, std::move(listener));
    return FNextToken++;
}

void TFolderModel::Unsubscribe(int token) {
    std::erase_if(FListeners, [token](const auto& l) { return l.first == token; });
}

void TFolderModel::Raise(const TFolderModelChange& change) {
    if (!change.Any()) return;
    // A listener may subscribe or unsubscribe others: the ones listening now hear this change.
    const auto listeners = FListeners;
    for (const auto& [token, listener] : listeners)
        if (listener) listener(change);
}

// ---------------------------------------------------------------------------------------------------------------
// Rows

TRowId TFolderModel::Enter(TStShellItem* item, TRowId id) {
    if (id == 0) id = FNextId++;
    FById[id] = item;
    FIds[item] = id;
    item->OwnerList = &FRows;
    if (!item->IsFile && !item->Path.empty()) FFolderRows[item->Path].push_back(id);
    return id;
}

void TFolderModel::SetRows(TStShellItemList&& rows) {
    TFolderModelChange change;
    change.Folder = true;
    FShown.clear();
    FShownAt.clear();
    FById.clear();
    FIds.clear();
    FFolderRows.clear();
    FRows.Storage().swap(rows.Storage());
    rows.Clear();  // the rows before go only once nothing points at them
    for (auto& item : FRows.Storage()) {
        Enter(item.get());
        // Figures known already (a folder listed again while its totals stand) fill in at once.
        if (!item->IsFile) ApplyFigures(*item);
    }
    SortRows();
    ShowRows();
    Raise(change);
}

void TFolderModel::ClearRows() {
    TStShellItemList none;
    SetRows(std::move(none));
}

void TFolderModel::UpdateRows(TStShellItemList&& fresh, const TSameRow& same) {
    TFolderModelChange change;
    change.Before = ShownIds();
    std::unordered_map<std::string, TRowId> byPath;
    std::vector<std::pair<TStShellItem*, TRowId>> pathless;
    for (const auto& item : FRows.Storage()) {
        if (!item->Path.empty())
            byPath.emplace(item->Path, FIds.at(item.get()));
        else
            pathless.emplace_back(item.get(), FIds.at(item.get()));
    }
    std::unordered_set<TRowId> kept;
    std::vector<TRowId> ids(fresh.Storage().size(), 0);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const TStShellItem& item = *fresh.Storage()[i];
        TRowId id = 0;
        if (!item.Path.empty()) {
            if (auto it = byPath.find(item.Path); it != byPath.end()) id = it->second;
        } else if (same) {
            for (const auto& [old, oldId] : pathless)
                if (!kept.count(oldId) && same(*old, item)) {
                    id = oldId;
                    break;
                }
        }
        if (id != 0 && !kept.insert(id).second) id = 0;  // two fresh rows for one: the second is new
        ids[i] = id;
    }
    for (const auto& [id, item] : FById)
        if (!kept.count(id)) change.Removed.push_back(id);
    std::sort(change.Removed.begin(), change.Removed.end());
    FById.clear();
    FIds.clear();
    FFolderRows.clear();
    FShown.clear();
    FShownAt.clear();
    FRows.Storage().swap(fresh.Storage());
    fresh.Clear();  // the old rows
    for (std::size_t i = 0; i < ids.size(); ++i) {
        TStShellItem* item = FRows.Storage()[i].get();
        const TRowId id = Enter(item, ids[i]);
        (ids[i] ? change.Updated : change.Added).push_back(id);
        if (!item->IsFile) ApplyFigures(*item);
    }
    SortRows();
    ShowRows();
    Raise(change);
}

TStShellItem* TFolderModel::Row(int row) const {
    const int count = RowCount();
    if (row < 0 || row >= count) return nullptr;
    return FShown[RowToItemIndex(row, count, FAscending)];
}

TRowId TFolderModel::RowId(int row) const {
    return IdOf(Row(row));
}

int TFolderModel::RowOf(TRowId id) const {
    auto it = FShownAt.find(id);
    if (it == FShownAt.end()) return -1;
    // The mapping between view rows and sorted places is its own inverse.
    return RowToItemIndex(it->second, RowCount(), FAscending);
}

TStShellItem* TFolderModel::Find(TRowId id) const {
    auto it = FById.find(id);
    return it == FById.end() ? nullptr : it->second;
}

TRowId TFolderModel::IdOf(const TStShellItem* item) const {
    if (!item) return 0;
    auto it = FIds.find(item);
    return it == FIds.end() ? 0 : it->second;
}

std::vector<TRowId> TFolderModel::ShownIds() const {
    std::vector<TRowId> ids;
    ids.reserve(FShown.size());
    for (int row = 0, n = RowCount(); row < n; ++row) ids.push_back(IdOf(Row(row)));
    return ids;
}

void TFolderModel::ShowRows() {
    FShown.clear();
    FShownAt.clear();
    const bool masked = MaskApplied();
    std::optional<TStMaskFilter> filter;
    if (masked) filter.emplace(FMask);
    FShown.reserve(FRows.Storage().size());
    for (const auto& item : FRows.Storage()) {
        // Folders always pass; files only when their name matches the mask.
        if (masked && item->IsFile && !filter->Matches(FileNameOf(item->Path))) continue;
        FShownAt.emplace(FIds.at(item.get()), static_cast<int>(FShown.size()));
        FShown.push_back(item.get());
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Sorting

void TFolderModel::SortRows() {
    const int column = FSortColumn;
    const auto& keys = FSortRules.Keys;
    if (FRows.Count() < 2 || column < 0 || (!keys.empty() && column >= static_cast<int>(keys.size()))) return;
    TStSortRequest request;
    request.Key = keys.empty() ? skName : keys[column];
    request.TextColumn = column - 1;
    request.TypeByExtension = FSortRules.TypeByExtension;
    request.ChangeOf = FSortRules.ChangeOf;
    if (request.Key == skName) request.CompareNames = FSortRules.CompareNames;
    SortItems(FRows.Storage(), request);
}

void TFolderModel::Sort(int column, bool ascending) {
    TFolderModelChange change;
    change.Sort = true;
    change.Before = ShownIds();
    const bool reorder = column != FSortColumn;
    FSortColumn = column;
    FAscending = ascending;
    if (reorder) SortRows();
    ShowRows();
    Raise(change);
}

void TFolderModel::Resort() {
    TFolderModelChange change;
    change.Sort = true;
    change.Before = ShownIds();
    SortRows();
    ShowRows();
    Raise(change);
}

void TFolderModel::SetSortState(int column, bool ascending) {
    FSortColumn = column;
    FAscending = ascending;
}

bool TFolderModel::SortsByFigure() const {
    const auto& keys = FSortRules.Keys;
    if (FSortColumn <= 0 || FSortColumn >= static_cast<int>(keys.size())) return false;
    const TStSortKey key = keys[FSortColumn];
    return key == skSize || key == skUsed || key == skSlack || key == skFiles || key == skChange;
}
