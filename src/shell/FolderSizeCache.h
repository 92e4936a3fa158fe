#pragma once
// The process-wide cache of folder totals: one entry per folder key (the folder path with a trailing
// separator, in lower case where the file system ignores case), holding the totals computed for one
// mask. A size below 0 marks an entry stale. Entries are never removed (Clear is for tools and tests).
//
// Invalidation and walks may overlap (walks run on worker threads while change notifications arrive).
// Every MarkStale therefore takes a new generation number and records it in the entry, creating a stale
// entry when the folder has none yet. A walk notes the generation before it lists a folder and passes it
// to Store, which refuses totals that were read before the folder's last invalidation: they stay stale
// and the next lookup walks again.
//
// An entry keeps two such stamps: when its totals were last made stale (any change in its tree), and
// when its own listing was (a change in the folder itself). The scan tree reads the second to know which
// folders it must read again; MarkTotalsStale sets only the first, for the ancestors of a change.
//
// A hash table: lookups cost the same whatever the number of entries. Keys live in a shared arena and
// masks are stored once each, so an entry costs about 60 bytes beyond its key. Safe for several threads.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct TFolderTotals {
    std::int64_t Size = 0;   // bytes in the matching files
    std::int64_t Used = 0;   // bytes allocated to them (cluster-rounded)
    std::int64_t Count = 0;  // matching files
    // Some folder of the tree could not be read in full (denied, failed, or its path past what the
    // system can open): the figures are what could be read. Not compared by ==.
    bool Partial = false;
    // The tree holds files with several hard links (each counted once in it): a parent's totals cannot be
    // summed from this folder's without knowing which. Not compared by ==.
    bool Links = false;
};

// The generations at which an entry was last made stale; 0 = never (or no entry).
struct TFolderSizeStamps {
    std::uint64_t TotalsStaleAt = 0;   // any change in the folder's tree
    std::uint64_t ListingStaleAt = 0;  // a change in the folder's own entries
    bool operator==(const TFolderSizeStamps&) const = default;
};

// One folder's totals for TFolderSizeCache::StoreAll.
struct TFolderSizeStore {
    std::string Key;
    TFolderTotals Totals;
    std::uint64_t ListedAt;
};

// A copy of one entry, for inspection.
struct TFolderSizeEntry {
    std::string Key;
    std::string Mask;
    TFolderTotals Totals;
    bool operator==(const TFolderSizeEntry&) const = default;
};
inline bool operator==(const TFolderTotals& a, const TFolderTotals& b) {
    return a.Size == b.Size && a.Used == b.Used && a.Count == b.Count;
}

class TFolderSizeCache {
public:
    // Masks of up to this many bytes are cached; a longer mask is neither stored nor found, so it is
    // always walked.
    static constexpr std::size_t kMaxMask = 255;

    TFolderSizeCache();
    ~TFolderSizeCache();
    TFolderSizeCache(const TFolderSizeCache&) = delete;
    TFolderSizeCache& operator=(const TFolderSizeCache&) = delete;

    // A hit: an entry for key, computed with lowerMask, not stale. Fills totals.
    bool Lookup(std::string_view key, std::string_view lowerMask, TFolderTotals& totals) const;
    // The entry for key whatever its mask and state.
    bool Find(std::string_view key, TFolderSizeEntry& entry) const;
    // Generation that Store's listedAt means "current": the totals are stored whatever happened before.
    static constexpr std::uint64_t kCurrent = UINT64_MAX;

    // Sets the entry for key (appending it when new): fresh totals for lowerMask. listedAt is the
    // Generation() read before the totals' folder was listed; when the folder was marked stale after
    // that, nothing is stored and the result is false. A mask over kMaxMask is not stored either.
    bool Store(std::string_view key, std::string_view lowerMask, const TFolderTotals& totals,
               std::uint64_t listedAt = kCurrent);
    // Stores many folders' totals under one lock, each as Store would; false when any was refused.
    bool StoreAll(const std::vector<TFolderSizeStore>& items, std::string_view lowerMask);
    // Marks the entry for key stale (size -1; used and count stay) under a new generation, creating a
    // stale entry when there is none, so that a walk running now cannot store what it read before.
    // The folder's own listing counts as changed too. False when the key had no entry.
    bool MarkStale(std::string_view key);
    // The same for an ancestor of a change: its totals are stale, its own listing is not.
    bool MarkTotalsStale(std::string_view key);
    // The number of invalidations so far: read it before listing a folder whose totals will be stored.
    std::uint64_t Generation() const;
    TFolderSizeStamps Stamps(std::string_view key) const;
    // How often Clear ran: whatever was derived from the cache's stamps before a Clear is void after it.
    std::uint64_t Clears() const { return FClears.load(); }

    std::size_t Count() const;
    // Bytes held by the cache (entries, keys, index, masks).
    std::size_t MemoryBytes() const;
    // Every entry, in the order they were first stored.
    std::vector<TFolderSizeEntry> Entries() const;
    void Clear();

private:
    struct TSlot;
    static constexpr std::size_t kChunkEntries = 1024;
    static constexpr std::size_t kArenaChunk = 64 * 1024;

    mutable std::mutex FLock;
    std::vector<std::unique_ptr<TSlot[]>> FChunks;
    std::size_t FCount = 0;
    std::atomic<std::uint64_t> FGeneration{0};  // raised under FLock, read without it
    std::atomic<std::uint64_t> FClears{0};
    std::vector<std::unique_ptr<char[]>> FArena;
    std::size_t FArenaBytes = 0;  // all arena chunks together
    char* FArenaNext = nullptr;
    std::size_t FArenaLeft = 0;
    std::vector<std::uint64_t> FIndex;  // hash tag << 32 | entry number + 1; 0 = empty
    std::vector<std::string> FMasks;

    TSlot& At(std::size_t n) const;
    std::size_t FindLocked(std::string_view key, std::uint64_t hash) const;  // entry number or SIZE_MAX
    std::uint32_t MaskId(std::string_view mask);
    const char* KeepKey(std::string_view key);
    void Grow();
    std::size_t AppendLocked(std::string_view key, std::uint64_t hash);
    bool Mark(std::string_view key, bool listing);
    bool StoreLocked(std::string_view key, std::uint64_t hash, std::string_view lowerMask, const TFolderTotals& totals,
                     std::uint64_t listedAt);
};
