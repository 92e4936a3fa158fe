#pragma once
// Keeps completed walks in the scan history. The folder-size service tells of each root whose walk ended
// with exact figures (TFolderWalkCompleted); while the keeper is switched on, it copies that root's tree out
// of the service's scan tree and writes the copy to the history on a thread of its own, so neither the walk
// nor the window waits for the file. The copy is made under the tree's shared lock and written without it:
// walks are held up for the copy only, never for the compression and the disk.
//
// A root walked again soon after its last kept scan is not kept again: a folder that changes often would
// otherwise push its older scans out of the history within minutes, and a root that holds the history
// folder would be walked again because its own scan was written there, and kept again, without end.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "scans/ScanHistory.h"

class TFolderSizeService;
struct TFolderWalkCompleted;

// A held folder's tree copied into a tree of its own (verified, so that it totals as the original). Its
// Path is the folder's full path, Key the one given. Raises Exception when the folder is not held or the
// copy does not fit the new tree's budget.
TImportedScan CopyScan(const TScanReader& reader, TScanRef folder, std::string_view key);

class TScanKeeper {
public:
    // warn: called on the keeper's thread when a scan could not be kept, once until one is kept again
    // (TScanHistory::AddOrWarnOnce); its message says why.
    // minInterval: seconds after a root's last kept scan during which its walks are not kept.
    static constexpr std::int64_t kMinInterval = 600;
    TScanKeeper(TFolderSizeService& service, std::unique_ptr<TScanHistory> history, std::string progVer,
                std::function<void(const std::string& message)> warn, std::int64_t minInterval = kMinInterval);
    // Stops listening and waits for the scan being written; scans still waiting are dropped.
    ~TScanKeeper();
    TScanKeeper(const TScanKeeper&) = delete;
    TScanKeeper& operator=(const TScanKeeper&) = delete;

    // Off (the default): completed walks are not kept. Any thread.
    void SetEnabled(bool on) { FEnabled = on; }
    bool Enabled() const { return FEnabled; }
    // True when no scan waits and none is being written. Any thread.
    bool Idle() const;
    const TScanHistory& History() const { return *FHistory; }

private:
    struct TWanted {
        std::string Key;
        std::int64_t Timestamp;  // Unix seconds at the walk's end
    };
    TFolderSizeService& FService;
    std::unique_ptr<TScanHistory> FHistory;  // the keeper's thread's alone
    const std::string FProgVer;
    const std::function<void(const std::string&)> FWarn;
    const std::int64_t FMinInterval;
    std::unordered_map<std::string, std::int64_t> FLastKept;  // root key -> time of its last kept scan
    std::atomic<bool> FEnabled{false};
    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::deque<TWanted> FWanted;
    bool FWriting = false;
    bool FStop = false;
    int FListener = 0;
    std::thread FThread;

    void Completed(const TFolderWalkCompleted& walk);
    void Run();
    void Keep(const TWanted& wanted);
};
