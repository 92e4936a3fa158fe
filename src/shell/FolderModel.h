#pragma once
// The folder model's figures and mask: the one mask the rows, the totals and the reports read, and the
// totals of the current folder's folder rows, asked of the folder-size service on its worker threads.
//
// Threads: the service reports on worker threads. Its results wait in an inbox, and the first one to
// arrive in an empty inbox calls OnWake there (a view posts itself a message and nothing more). The
// window's thread then calls Deliver, which takes everything waiting, keeps the figures and raises
// OnChanged. Every other method belongs to the window's thread. Results of a request made before the
// last Reset are dropped, so a new listing never shows the figures of the one before.
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

enum class TFiguresState {
    Idle,       // nothing asked, or every figure known
    Running,    // a request runs
    Cancelled,  // the user stopped it before every figure was read: those not known stay empty
};

// What one Deliver (or a call on the window's thread) changed.
struct TFolderModelChange {
    std::vector<std::string> Folders;  // folders whose figures became known, as they were asked for
    bool Progress = false;             // the running count or the folder being read
    bool State = false;                // State() or Incomplete() changed
    bool Mask = false;
};

class TFolderModel {
public:
    explicit TFolderModel(TFolderSizeService& service);
    ~TFolderModel();  // stops the request; its late results go nowhere
    TFolderModel(const TFolderModel&) = delete;
    TFolderModel& operator=(const TFolderModel&) = delete;

    // The mask in force, as the filter box set it. Filtered off, totals count every file ("*.*"); on,
    // they count the mask's files, and an empty mask counts none.
    const std::string& Mask() const { return FMask; }
    void SetMask(const std::string& mask);
    bool Filtered() const { return FFiltered; }
    void SetFiltered(bool filtered) { FFiltered = filtered; }
    std::string TotalsMask() const;

    // Forgets every figure and stops the request (a new listing).
    void Reset();
    // Asks for the totals of folders with TotalsMask(); folders already asked since the last Reset are
    // not asked again. Folders whose figures the service knows now are known at once.
    void Request(const std::vector<std::string>& folders);
    // Stops the request: figures known so far stay, the rest stay unknown. True when one ran.
    bool Cancel();
    // Takes the results that arrived and raises OnChanged when something changed.
    void Deliver();

    // The figures of a folder asked for: false while not known.
    bool Figures(const std::string& folder, TFolderTotals& totals) const;
    TFiguresState State() const { return FState; }
    // True until every request has ended (after a cancel: until the workers have stopped).
    bool Walking() const { return FRunning > 0; }
    // True when a figure asked for is missing or was read only in part (the status bar says so).
    bool Incomplete() const;
    std::int64_t FilesCounted() const { return FFiles; }
    const std::string& FolderBeingRead() const { return FReading; }

    static constexpr int kMaxRounds = 3;

    std::function<void()> OnWake;  // on a worker thread
    std::function<void(const TFolderModelChange&)> OnChanged;

private:
    struct TInbox;
    struct TFigure {
        TFolderTotals Totals{-1, -1, -1};
        bool Known = false;
        bool Partial = false;
        int Rounds = 0;
    };
    TFolderSizeService& FService;
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
};
