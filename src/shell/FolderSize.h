#pragma once
// The folder-size service: a folder's total file size, the space its files occupy (cluster-rounded) and
// its file count, counting only files whose names match a mask (DosWildcard.h), with every folder's
// totals kept in a cache keyed by folder and mask so that a tree is walked once per mask until a change
// marks the changed folder and its ancestors stale. Also a drive's cluster size.
//
// The walk reads each folder once, with no allocation per file; sub-folders are walked on worker threads
// (one per core) while the calling thread waits, calling OnWait about every 30 ms so a window can keep
// handling its messages. Directory reparse points (junctions, directory links, and on POSIX every link to
// a folder) are neither entered nor counted as files: they hold no space of their own and can loop. A
// folder that cannot be read (or only in part, or whose path is too long to open) totals what could be
// read, marks the totals Partial, and the walk goes on; a folder that vanishes during the walk totals 0.
// Sums that do not fit 64 bits raise "Integer overflow". The results equal those of a plain depth-first
// walk, cache included.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/DirList.h"
#include "platform/Volumes.h"
#include "shell/FolderSizeCache.h"

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

class TWalkPool;
struct TWalk;
struct TWalkNode;

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

    // Marks the cached totals of the item's folder (the item itself when it is a folder, else the folder
    // holding it) and of every ancestor up to and including the root stale.
    void InvalidateFolderSize(std::string_view itemPath, bool isFolder);

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

    // Worker threads for a walk: 0 = one per core (the default), 1 = walk on the calling thread; at most
    // kMaxThreads. Not to be changed while a walk runs (from OnWait).
    static constexpr int kMaxThreads = 256;
    void SetThreads(int threads);
    int Threads() const;

    // Called before each worker thread of a walk is started, with its index. A throw stands for a
    // thread the system cannot start (std::system_error): the threads already started are stopped
    // and the walk runs on the calling thread. The next walk tries the threads again.
    std::function<void(int index)> OnStartThread;

    // Called on the waiting thread about every 30 ms during a walk. May throw: the walk then stops
    // (what was complete stays cached) and the exception reaches the caller.
    std::function<void(TFolderSizeService& sender)> OnWait;

private:
    friend struct TWalk;
    TDirLister& FLister;
    TFolderSizeCache FCache;
    TDriveClusterTable FClusters;
    int FThreads = 0;
    mutable std::mutex FPoolLock;
    std::unique_ptr<TWalkPool> FPool;

    TFolderTotals Walk(std::string path, std::string key, std::string lowerMask, std::string_view mask);
    TWalkPool* Pool();
    std::string ParentKey(std::string_view key) const;
    std::string FullFolder(std::string_view path) const;   // absolute and canonical, case kept
    std::string KeyOf(std::string_view fullFolder) const;  // its key
};

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
