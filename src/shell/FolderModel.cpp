#include "shell/FolderModel.h"

#include <mutex>
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

TFolderModel::TFolderModel(TFolderSizeService& service) : FService(service), FInbox(std::make_shared<TInbox>()) {
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

void TFolderModel::SetMask(const std::string& mask) {
    if (mask == FMask) return;
    FMask = mask;
    TFolderModelChange change;
    change.Mask = true;
    if (OnChanged) OnChanged(change);
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

void TFolderModel::Request(const std::vector<std::string>& folders) {
    std::vector<std::string> ask;
    const std::string mask = TotalsMask();
    for (const std::string& folder : folders) {
        auto [it, added] = FFigures.try_emplace(folder);
        if (!added) continue;
        if (FService.TotalsIfKnown(folder, mask, it->second.Totals)) {
            it->second.Known = true;
            it->second.Partial = it->second.Totals.Partial;
        } else {
            ask.push_back(folder);
        }
    }
    if (ask.empty()) return;
    Start(std::move(ask));
    TFolderModelChange change;
    SetState(change);
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
    FJobs.push_back(FService.TotalsAsync(std::move(folders), TotalsMask(), std::move(callbacks)));
}

bool TFolderModel::Cancel() {
    if (FState != TFiguresState::Running) return false;
    for (auto& job : FJobs) job->Cancel();
    FCancelled = true;
    TFolderModelChange change;
    SetState(change);
    if (OnChanged) OnChanged(change);
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
    if (!change.Folders.empty() || change.Progress || change.State) {
        if (OnChanged) OnChanged(change);
    }
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
