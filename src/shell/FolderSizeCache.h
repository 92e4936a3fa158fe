#pragma once
// The process-wide cache of folder totals: one entry per folder key (the folder path with a trailing
// separator, in lower case where the file system ignores case), holding the totals computed for one
// mask. A size below 0 marks an entry stale. Entries are never removed (Clear is for tools and tests).
//
// Invalidation and walks may overlap (a walk lets window messages run, and a change notification may
// arrive meanwhile). Every MarkStale therefore takes a new generation number and records it in the
// entry, creating a stale entry when the folder has none yet. A walk notes the generation before it
// lists a folder and passes it to Store, which refuses totals that were read before the folder's last
// invalidation: they stay stale and the next lookup walks again.
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
    // Marks the entry for key stale (size -1; used and count stay) under a new generation, creating a
    // stale entry when there is none, so that a walk running now cannot store what it read before.
    // False when the key had no entry.
    bool MarkStale(std::string_view key);
    // The number of invalidations so far: read it before listing a folder whose totals will be stored.
    std::uint64_t Generation() const;

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
};

