#pragma once
// The folder-size service: a folder's total file size, the space its files occupy (cluster-rounded) and
// its file count, counting only files whose names match a mask (the totals' rule, FolderSizeMask.h), with
// every folder's totals kept in a cache keyed by folder and mask. Also a drive's cluster size.
//
// The walk keeps every file it reads in the scan tree (ScanTree.h), so the totals of a scanned tree for
// another mask come from memory with no directory read, and a change re-reads only the folders it
// touched: InvalidateFolderSize marks the changed folder's listing stale (and its parent's when the tree
// does not hold the folder yet) and the totals of its ancestors. Above the tree's memory budget the
// service keeps per-folder totals only, each mask walking the disk again (TreeMode says so).
//
// Walks run on worker threads (one per core). Each folder is read once; directory reparse points
// (junctions, directory links, and on POSIX every link to a folder) are neither entered nor counted as
// files: they hold no space of their own and can loop. A file with several hard links counts once in each
// tree that holds its names: by the listing's count of names on POSIX, by its file id met twice in a root
// on Windows (FolderSizeWalk.cpp says how, and where that falls short). A folder that cannot be read (or
// only in part, or whose path is too long to open) totals what could be read and marks the totals Partial;
// a folder that vanishes during the walk totals 0. Sums that do not fit 64 bits raise "Integer overflow". Totals read
// before an invalidation of their tree are never cached or kept as fresh (TotalsAsync reports them as
// Changed). The results equal those of a plain depth-first walk, cache and tree included.
//
// Threads: every method may be called from any thread. Totals, FolderSize, FolderFileCount and
// FolderTotals block the caller until the folder is totalled (kept for the existing synchronous callers);
// TotalsIfKnown never waits for a walk; TotalsAsync returns at once and reports on worker threads.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "shell/FolderSizeCache.h"
#include "shell/ScanTree.h"

// The cluster size of every drive letter that has a volume, built on first use and rebuilt when a lookup
// meets an unknown letter or a zero entry. Safe for several threads.
class TDriveClusterTable {
public:
    explicit TDriveClusterTable(TVolumeQueries& volumes) : FVolumes(volumes) {}
    // Bytes per cluster of the drive; 0 for a character that is not a letter and for a drive that is still
    // missing (or unreadable) after one rebuild.
    std::uint32_t ClusterSize(char letter);
    void Rebuild();
    std::vector<std::pair<char, std::uint32_t>> Entries() const;
    int Builds() const;  // how often the table was built

private:
    TVolumeQueries& FVolumes;
    mutable std::mutex FLock;
    std::vector<std::pair<char, std::uint32_t>> FEntries;
    int FBuilds = 0;
    void RebuildLocked();
};

// Files known to have several names, by volume and file id, for listings that give each file's id but not
// its number of names (Windows: FileId). A walk that meets one id twice in a root adds it here; from then
// on every listing of that volume gives the file a link key, so it is counted once per tree like a POSIX
// hard link. Ids are kept until Clear: an id the file system reuses for a new file with one name only
// makes that file's folders sum their trees the slower way, never changes a total. Safe for several
// threads; Contains costs one load while the set is empty.
class TLinkedFileIds {
public:
    bool Contains(std::uint64_t volume, std::uint64_t id) const {
        if (FCount.load(std::memory_order_acquire) == 0) return false;
        return Find(volume, id);
    }
    void Add(std::uint64_t volume, const std::vector<std::uint64_t>& ids);
    std::size_t Count() const { return FCount.load(); }
    void Clear();

private:
    mutable std::shared_mutex FLock;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> FIds;  // (volume, id), sorted
    std::atomic<std::size_t> FCount{0};
    bool Find(std::uint64_t volume, std::uint64_t id) const;
};

// The key of the volume a folder key lies on, for file ids: its drive letter, or its "\\server\share\";
// 0 where the key names neither (POSIX, whose listing gives no file ids).
std::uint64_t VolumeKeyOf(std::string_view key);

// How far one folder of an asynchronous request got.
enum class TFolderSizeStatus {
    Complete,  // exact (and cached, unless the mask is too long to be kept)
    Partial,   // some folder of its tree could not be read in full: the figures are what could be read
    Changed,   // a folder of its tree changed while it was walked: the figures are as read, and not kept
    NotFound,  // no folder at the path: 0, 0, 0
    Failed,    // an error stopped it (Error holds its message): the figures are -1
};

struct TFolderSizeResult {
    std::size_t Index = 0;  // the folder's position in the request
    std::string Folder;     // as it was asked for
    TFolderTotals Totals{-1, -1, -1};
    TFolderSizeStatus Status = TFolderSizeStatus::Failed;
    std::string Error;
};

struct TFolderSizeProgress {
    std::int64_t Files = 0;    // files read from the disk so far by this request
    std::int64_t Folders = 0;  // folders read from the disk so far
    std::string Folder;        // the folder read last (full path)
};

enum class TFolderSizeEnd {
    Finished,   // every folder was reported
    Cancelled,  // stopped by Cancel: folders not reported stay unknown
};

// What an asynchronous request reports. Each is called on a worker thread, never two at once for one
// request, and must return quickly without waiting for the service (TotalsIfKnown is fine; Totals, a
// job's Wait and SetThreads are not). OnFolder comes once per folder that got figures (not for
// those a cancel left unknown); OnProgress at most about every 100 ms while the disk is read; OnEnd once,
// last. An exception thrown by a callback is kept in the job (CallbackError) and the request goes on.
struct TFolderSizeCallbacks {
    std::function<void(const TFolderSizeResult&)> OnFolder;
    std::function<void(const TFolderSizeProgress&)> OnProgress;
    std::function<void(TFolderSizeEnd)> OnEnd;
};

// A root of a walk that read the disk and ended with exact figures (not cancelled, nothing unread, nothing
// changed meanwhile) while the scan tree holds its whole tree fresh: a scan of it can be written from the
// tree. Roots answered from the cache or the tree without a walk are not reported.
struct TFolderWalkCompleted {
    std::string Folder;  // as it was asked for
    std::string Key;     // its cache key, which is also its key in the scan tree
    TFolderTotals Totals;
};

class TWalkPool;
struct TWalk;
struct TWalkNode;
class TFolderSizeService;
class TFolderSizeMask;

// A running request of TFolderSizeService::TotalsAsync. The service keeps it until it ends.
class TFolderSizeJob {
public:
    ~TFolderSizeJob();
    TFolderSizeJob(const TFolderSizeJob&) = delete;
    TFolderSizeJob& operator=(const TFolderSizeJob&) = delete;

    // Asks the workers to stop; returns at once. They stop within a listing's entry or a folder: what
    // was complete is reported and cached, the rest stays unknown. OnEnd follows.
    void Cancel();
    // Waits until OnEnd has returned, or the timeout passed (milliseconds::max(): no limit); true when the
    // request has ended.
    bool Wait(std::chrono::milliseconds timeout);
    bool Ended() const;
    std::exception_ptr CallbackError() const;

private:
    friend class TFolderSizeService;
    friend struct TWalk;
    TFolderSizeJob();
    std::unique_ptr<TWalk> FWalk;
    TFolderSizeCallbacks FCallbacks;
    mutable std::mutex FLock;
    std::condition_variable FEnded;
    bool FDone = false;
    mutable std::mutex FCallbackLock;  // one callback at a time
    std::exception_ptr FCallbackError;
    template <typename F>
    void Call(F&& f);
    void End(TFolderSizeEnd end);
};

class TFolderSizeService {
public:
    explicit TFolderSizeService(TDirLister& lister, TVolumeQueries& volumes);
    ~TFolderSizeService();
    TFolderSizeService(const TFolderSizeService&) = delete;
    TFolderSizeService& operator=(const TFolderSizeService&) = delete;

    // The folder's total size; sets used and count to the folder's used space and matching file count.
    // A folder that does not exist gives 0, 0, 0.
    std::int64_t FolderSize(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count);
    // The number of matching files in the folder's tree.
    std::int64_t FolderFileCount(std::string_view path, std::string_view mask);
    // The total size; adds the folder's used space and count to the caller's accumulators.
    std::int64_t FolderTotals(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count);
    // The folder's totals with the Partial flag (some folder of the tree could not be read in full).
    TFolderTotals Totals(std::string_view path, std::string_view mask);

    // The folder's totals when they are known without reading the disk: from the cache, or from the scan
    // tree when it holds the folder's whole tree fresh. Never waits for a walk (nor for the tree while a
    // walk changes it); false when not known now. Safe on the window's thread while walks run.
    bool TotalsIfKnown(std::string_view path, std::string_view mask, TFolderTotals& totals);

    // Totals the folders for mask on worker threads and reports through callbacks (see
    // TFolderSizeCallbacks). Folders already known are reported at once, from the workers too. Paths are
    // taken as Totals takes them; an empty request ends at once (OnEnd on the calling thread).
    std::shared_ptr<TFolderSizeJob> TotalsAsync(std::vector<std::string> folders, std::string_view mask,
                                                TFolderSizeCallbacks callbacks);

    // Marks the cached totals of the item's folder (the item itself when it is a folder, else the folder
    // holding it) and of every ancestor up to and including the root stale. The folder's own listing is
    // read again at the next total; its ancestors' listings only where the tree does not hold the folder
    // below them yet (a new folder shows in its parent's listing).
    void InvalidateFolderSize(std::string_view itemPath, bool isFolder);

    // The scan tree's state: whether it keeps files, and when not, whether the memory budget was the
    // reason. Its default budget is 2 GiB; SetTreeBudget(0) keeps per-folder totals only.
    TScanTreeState TreeMode() const;
    void SetTreeBudget(std::size_t bytes);
    TScanTreeStats TreeStats() const;
    TScanTree& ScanTree() { return FTree; }

    std::uint32_t ClusterSize(char letter) { return FClusters.ClusterSize(letter); }
    // The space a file of that size takes on the drive: whole clusters, one more for an exact multiple
    // (the volume's own rounding). 0 for size <= 0 and when the letter is not a drive letter.
    std::int64_t AllocatedSize(char letter, std::int64_t size);

    // The cache key of a folder: the path with one trailing separator, '/' read as '\' and in lower case
    // where the file system ignores case.
    std::string CacheKey(std::string_view path) const;
    // The drive letter a key or path begins with ("c:\...", "\\?\c:\..."); 0 when there is none.
    static char DriveLetterOf(std::string_view path);

    TFolderSizeCache& FolderSizeCache() { return FCache; }
    TDriveClusterTable& DriveClusterTable() { return FClusters; }
    TLinkedFileIds& LinkedFileIds() { return FLinkedIds; }

    // Worker threads for a walk: 0 = one per core (the default), 1 = walk on the calling thread; at most
    // kMaxThreads. Not to be changed while a walk runs (from OnWait).
    static constexpr int kMaxThreads = 256;
    void SetThreads(int threads);
    int Threads() const;

    // Totals for a mask from the tree use a second thread for a tree of at least this many files (0:
    // never). A mask change on a large tree then takes about half the time where a core is free.
    static constexpr std::int64_t kDefaultSplitFiles = 200000;
    void SetTreeSplit(std::int64_t files) { FSplitFiles = files; }

    // Called before each worker thread of a walk is started, with its index. A throw stands for a
    // thread the system cannot start (std::system_error): the threads already started are stopped
    // and the walk runs on the calling thread. The next walk tries the threads again.
    std::function<void(int index)> OnStartThread;

    // Listeners of completed walks (TFolderWalkCompleted), called on the worker thread that ends the walk
    // (or the caller of a synchronous total), before the root's figures are reported. A listener must
    // return quickly without waiting for the service or reading the tree. RemoveWalkListener waits for a
    // call under way, so the listener's objects may go once it returns.
    using TWalkListener = std::function<void(const TFolderWalkCompleted&)>;
    int AddWalkListener(TWalkListener listener);
    void RemoveWalkListener(int id);

private:
    friend struct TWalk;
    enum class TTreeAnswer { Done, NotFresh, Busy, Stopped };
    TDirLister& FLister;
    TFolderSizeCache FCache;
    TDriveClusterTable FClusters;
    TScanTree FTree;
    TLinkedFileIds FLinkedIds;
    std::atomic<bool> FFileIdsSeen{false};      // some listing gave file ids (the tree may hold them)
    std::atomic<std::uint64_t> FTreeClears{0};  // the cache's Clears the tree has followed
    std::atomic<std::int64_t> FSplitFiles{kDefaultSplitFiles};
    int FThreads = 0;
    mutable std::mutex FPoolLock;
    std::unique_ptr<TWalkPool> FPool;
    int FPoolThreads = 0;
    std::mutex FJobsLock;
    std::vector<std::shared_ptr<TFolderSizeJob>> FJobs;
    std::mutex FListenersLock;  // held while listeners are called
    std::vector<std::pair<int, TWalkListener>> FListeners;
    int FLastListener = 0;

    void WalkCompleted(const TFolderWalkCompleted& walk);
    TFolderTotals Walk(std::string path, std::string key, std::string_view mask);
    // Worker threads: nullptr when walks run on the calling thread (one thread, or none could start);
    // with forJob a request gets at least one.
    TWalkPool* Pool(bool forJob);
    // The scan tree for a walk, or nullptr when it keeps no files; first follows a Clear of the cache.
    TScanTree* Tree();
    // A folder's totals for mask from the tree, storing those of every folder of its tree in the cache.
    // Done only when the tree holds the folder's whole tree fresh; Busy when wait is false and a walk
    // holds the tree; Stopped when stop said so. With links, also its matching hard-linked files (each
    // once), which the caller needs to count them once in a tree above.
    TTreeAnswer FromTree(TScanRef folder, std::string key, const TFolderSizeMask& mask, bool wait,
                         const std::function<bool()>& stop, TFolderTotals& totals,
                         std::vector<TLinkSeen>* links = nullptr);
    std::string ParentKey(std::string_view key) const;
    std::string FullFolder(std::string_view path) const;   // absolute and canonical, case kept
    std::string KeyOf(std::string_view fullFolder) const;  // its key
};

// Takes the repeats of a hard-linked file off a tree's totals, once all the tree's parts are summed into
// them and their hard-linked files gathered in links; links then holds each file once.
inline void CountLinksOnce(std::vector<TLinkSeen>& links, TFolderTotals& totals) {
    DropRepeatedLinks(links, [&](const TLinkSeen& l) {
        totals.Size -= l.Size;
        totals.Used -= l.Used;
        --totals.Count;
    });
    totals.Links = !links.empty();
}

// The process-wide service over the system's listing and volumes, and its tables.
TFolderSizeService& FolderSizeService();
TFolderSizeCache& FolderSizeCache();
TDriveClusterTable& DriveClusterTable();

std::int64_t FolderSize(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count);
std::int64_t FolderFileCount(std::string_view path, std::string_view mask);
std::int64_t FolderTotals(std::string_view path, std::string_view mask, std::int64_t& used, std::int64_t& count);
void InvalidateFolderSize(std::string_view itemPath, bool isFolder);
std::uint32_t ClusterSize(char letter);
std::int64_t AllocatedSize(char letter, std::int64_t size);
