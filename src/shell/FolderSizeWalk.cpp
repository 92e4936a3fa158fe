// The folder walk behind TFolderSizeService: each folder is listed once; its matching files are summed
// in place and its sub-folders either come from the cache or become tasks of their own. A folder's
// totals are final when its own listing and all its sub-folders are done; the thread that finishes last
// stores them and hands them up to the parent. So the sums, and the cache entries, are those of a plain
// depth-first walk whatever the order in which the threads meet the folders.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

#include "platform/CheckedMath.h"
#include "platform/DosWildcard.h"
#include "platform/ErrorMode.h"
#include "platform/Exception.h"
#include "shell/FolderSize.h"

struct TWalkNode {
    TWalkNode(TWalkNode* parent, std::string path, std::string key)
        : Parent(parent), Path(std::move(path)), Key(std::move(key)) {}
    TWalkNode* const Parent;
    const std::string Path;  // for the listing, with a trailing separator
    const std::string Key;
    std::atomic<std::int64_t> Size{0}, Used{0}, Count{0};
    std::atomic<int> Pending{1};  // its own listing plus each sub-folder walked for it
    std::atomic<bool> Incomplete{false};  // stopped by an error or a cancel: nothing is stored
    std::atomic<bool> Partial{false};     // some folder of its tree was read only in part
    bool Missing = false;         // gone before it could be listed: no cache entry
    std::uint64_t ListedAt = 0;  // the cache's generation before the listing
};

class TWalkPool {
public:
    TWalkPool(int threads, const std::function<void(int)>& onStart) {
        // A thread that cannot be started leaves no running ones behind (a joinable thread destroyed
        // unjoined would end the program).
        try {
            for (int i = 0; i < threads; ++i) {
                if (onStart) onStart(i);
                FThreads.emplace_back([this] { Run(); });
            }
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~TWalkPool() { Stop(); }
    void Push(TWalk* walk, TWalkNode* node) {
        {
            std::lock_guard lock(FLock);
            FTasks.emplace_back(walk, node);
        }
        FWake.notify_one();
    }

private:
    std::mutex FLock;
    std::condition_variable FWake;
    std::vector<std::pair<TWalk*, TWalkNode*>> FTasks;  // taken from the back: depth first, few folders open
    bool FStop = false;
    std::vector<std::thread> FThreads;

    void Run();
    void Stop() {
        {
            std::lock_guard lock(FLock);
            FStop = true;
        }
        FWake.notify_all();
        for (auto& t : FThreads) t.join();
        FThreads.clear();
    }
};

struct TWalk {
    TWalk(TFolderSizeService& service, std::string_view mask, std::string lowerMask, char letter)
        : Lister(service.FLister),
          Cache(service.FCache),
          Matcher(mask),
          LowerMask(std::move(lowerMask)),
          Separator(service.FLister.Separator()),
          CaseSensitive(service.FLister.CaseSensitive()),
          Cluster(letter ? service.ClusterSize(letter) : 0) {}

    TDirLister& Lister;
    TFolderSizeCache& Cache;
    const TDosWildcard Matcher;
    const std::string LowerMask;
    const char Separator;
    const bool CaseSensitive;
    const std::int64_t Cluster;

    TWalkPool* Pool = nullptr;                 // worker threads, or
    std::vector<TWalkNode*>* Stack = nullptr;  // the calling thread's own task list
    std::atomic<bool> Cancelled{false};

    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    TFolderTotals Result;
    std::exception_ptr Error;

    void Fail(std::exception_ptr error) {
        std::lock_guard lock(Lock);
        if (!Error) Error = error;
        Cancelled = true;
    }

    void Spawn(TWalkNode* node) {
        if (Pool)
            Pool->Push(this, node);
        else
            Stack->push_back(node);
    }

    std::int64_t Allocated(std::int64_t size) const {
        if (size <= 0 || Cluster <= 0) return 0;
        return CheckedAdd(size, Cluster - size % Cluster);
    }

    // Adds totals to a node's; an overflow stops the walk with the error.
    void AddTo(TWalkNode* node, const TFolderTotals& totals) {
        try {
            CheckedAddTo(node->Size, totals.Size);
            CheckedAddTo(node->Used, totals.Used);
            CheckedAddTo(node->Count, totals.Count);
        } catch (...) {
            node->Incomplete = true;
            Fail(std::current_exception());
        }
        if (totals.Partial) node->Partial = true;
    }

    // Lists one folder. The node must not be touched after Complete.
    void Process(TWalkNode* node) {
        if (Cancelled) {
            node->Incomplete = true;
            Complete(node);
            return;
        }
        std::int64_t size = 0, used = 0, count = 0;
        std::string childKey;
        node->ListedAt = Cache.Generation();
        try {
            TDirStatus status = Lister.List(node->Path, "*", [&](const TDirEntry& e) {
                if (e.IsDirectory()) {
                    // Junctions and links to folders hold no space of their own and may lead back up.
                    if (!IsFolderToEnter(e)) return true;
                    const std::string_view name = e.Name();
                    childKey.assign(node->Key);
                    if (CaseSensitive)
                        childKey.append(name);
                    else
                        AppendLowerCase(childKey, name);
                    childKey += Separator;
                    TFolderTotals cached;
                    if (Cache.Lookup(childKey, LowerMask, cached)) {
                        size = CheckedAdd(size, cached.Size);
                        used = CheckedAdd(used, cached.Used);
                        count = CheckedAdd(count, cached.Count);
                        if (cached.Partial) node->Partial = true;
                        return true;
                    }
                    std::string childPath;
                    childPath.reserve(node->Path.size() + name.size() + 1);
                    childPath.append(node->Path).append(name) += Separator;
                    auto child = std::make_unique<TWalkNode>(node, std::move(childPath), childKey);
                    node->Pending.fetch_add(1, std::memory_order_relaxed);
                    try {
                        Spawn(child.get());
                    } catch (...) {
                        node->Pending.fetch_sub(1, std::memory_order_relaxed);
                        throw;
                    }
                    child.release();
                    return !Cancelled.load(std::memory_order_relaxed);
                }
                if (!Matcher.Matches(e.Name())) return true;  // refused by name: its size is never read
                const std::int64_t fileSize = e.Size();
                size = CheckedAdd(size, fileSize);
                used = CheckedAdd(used, Allocated(fileSize));
                ++count;
                return true;
            });
            // Vanished since its parent was listed: totals 0 and no entry. A folder that could not be read
            // (or only in part, or whose path is too long to open) keeps what was read and says so.
            if (status == TDirStatus::NotFound)
                node->Missing = true;
            else if (status != TDirStatus::Ok)
                node->Partial = true;
        } catch (...) {
            node->Incomplete = true;
            Fail(std::current_exception());
        }
        AddTo(node, TFolderTotals{size, used, count});
        Complete(node);
    }

    // Ends one part of a node's work; the last part stores its totals and passes them up.
    void Complete(TWalkNode* node) {
        for (;;) {
            if (node->Pending.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
            const TFolderTotals totals{node->Size.load(), node->Used.load(), node->Count.load(),
                                       node->Partial.load()};
            bool incomplete = node->Incomplete.load();
            if (!incomplete && !node->Missing) {
                try {
                    Cache.Store(node->Key, LowerMask, totals, node->ListedAt);
                } catch (...) {
                    incomplete = true;
                    Fail(std::current_exception());
                }
            }
            TWalkNode* parent = node->Parent;
            delete node;
            if (!parent) {
                std::lock_guard lock(Lock);
                Result = totals;
                Finished = true;
                Done.notify_all();
                return;
            }
            AddTo(parent, totals);
            if (incomplete) parent->Incomplete = true;
            node = parent;
        }
    }
};

void TWalkPool::Run() {
    TCriticalErrorScope quiet;  // this thread's own error mode
    for (;;) {
        std::pair<TWalk*, TWalkNode*> task;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [&] { return FStop || !FTasks.empty(); });
            if (FTasks.empty()) return;
            task = FTasks.back();
            FTasks.pop_back();
        }
        task.first->Process(task.second);
    }
}

TFolderSizeService::TFolderSizeService(TDirLister& lister, TVolumeQueries& volumes)
    : FLister(lister), FClusters(volumes) {}

TFolderSizeService::~TFolderSizeService() = default;

void TFolderSizeService::SetThreads(int threads) {
    std::lock_guard lock(FPoolLock);
    if (threads == FThreads) return;
    FThreads = std::clamp(threads, 0, kMaxThreads);
    FPool.reset();
}

int TFolderSizeService::Threads() const {
    std::lock_guard lock(FPoolLock);
    return FThreads;
}

TWalkPool* TFolderSizeService::Pool() {
    std::lock_guard lock(FPoolLock);
    int threads = FThreads > 0 ? FThreads : static_cast<int>(std::thread::hardware_concurrency());
    if (threads <= 1) return nullptr;
    if (!FPool) {
        try {
            FPool = std::make_unique<TWalkPool>(threads, OnStartThread);
        } catch (const std::system_error&) {
            return nullptr;  // out of threads: this walk runs on the calling thread
        }
    }
    return FPool.get();
}

TFolderTotals TFolderSizeService::Walk(std::string path, std::string key, std::string lowerMask,
                                       std::string_view mask) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kWaitStep = std::chrono::milliseconds(30);
    TWalk walk(*this, mask, std::move(lowerMask), DriveLetterOf(key));
    // Owned here until the walk takes it: making the pool may throw.
    auto root = std::make_unique<TWalkNode>(nullptr, std::move(path), std::move(key));

    auto wait = [&] {
        try {
            OnWait(*this);
        } catch (...) {
            walk.Fail(std::current_exception());
        }
    };

    walk.Pool = Pool();
    if (!walk.Pool) {
        std::vector<TWalkNode*> stack{root.release()};
        walk.Stack = &stack;
        auto last = Clock::now();
        while (!stack.empty()) {
            TWalkNode* node = stack.back();
            stack.pop_back();
            walk.Process(node);
            if (OnWait && !walk.Cancelled && Clock::now() - last >= kWaitStep) {
                wait();
                last = Clock::now();
            }
        }
    } else {
        walk.Pool->Push(&walk, root.get());
        root.release();
        std::unique_lock lock(walk.Lock);
        while (!walk.Finished) {
            if (OnWait && !walk.Cancelled) {
                walk.Done.wait_for(lock, kWaitStep);
                if (walk.Finished) break;
                lock.unlock();
                wait();
                lock.lock();
            } else {
                walk.Done.wait(lock);
            }
        }
    }
    if (walk.Error) std::rethrow_exception(walk.Error);
    return walk.Result;
}
