#include "shell/FolderSizeCache.h"

#include <cstring>

struct TFolderSizeCache::TSlot {
    TFolderTotals Totals;
    std::uint64_t StaleAt;         // generation of the last MarkStale or MarkTotalsStale; 0 = never
    std::uint64_t ListingStaleAt;  // generation of the last MarkStale; 0 = never
    const char* Key;
    std::uint32_t KeyLength;
    std::uint32_t Mask;
};

namespace {

std::uint64_t HashKey(std::string_view key) {
    // Eight bytes at a time, each word mixed in by multiplication; enough spread for path keys.
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ key.size();
    std::size_t i = 0;
    for (; i + 8 <= key.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, key.data() + i, 8);
        h = (h ^ w) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 31;
    }
    std::uint64_t tail = 0;
    if (i < key.size()) std::memcpy(&tail, key.data() + i, key.size() - i);
    h = (h ^ tail) * 0x94D049BB133111EBULL;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 32;
    return h;
}

}  // namespace

TFolderSizeCache::TFolderSizeCache() {
    FIndex.assign(64, 0);
}
TFolderSizeCache::~TFolderSizeCache() = default;

TFolderSizeCache::TSlot& TFolderSizeCache::At(std::size_t n) const {
    return FChunks[n / kChunkEntries][n % kChunkEntries];
}

std::size_t TFolderSizeCache::FindLocked(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = FIndex.size() - 1;
    const std::uint64_t tag = hash >> 32;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        std::uint64_t slot = FIndex[i];
        if (slot == 0) return SIZE_MAX;
        if ((slot >> 32) != tag) continue;
        std::size_t n = static_cast<std::uint32_t>(slot) - 1;
        const TSlot& e = At(n);
        if (e.KeyLength == key.size() && std::memcmp(e.Key, key.data(), key.size()) == 0) return n;
    }
}

bool TFolderSizeCache::Lookup(std::string_view key, std::string_view lowerMask, TFolderTotals& totals) const {
    if (lowerMask.size() > kMaxMask) return false;
    std::uint64_t hash = HashKey(key);
    std::lock_guard lock(FLock);
    std::size_t n = FindLocked(key, hash);
    if (n == SIZE_MAX) return false;
    const TSlot& e = At(n);
    if (e.Totals.Size < 0 || FMasks[e.Mask] != lowerMask) return false;
    totals = e.Totals;
    return true;
}

bool TFolderSizeCache::Find(std::string_view key, TFolderSizeEntry& entry) const {
    std::uint64_t hash = HashKey(key);
    std::lock_guard lock(FLock);
    std::size_t n = FindLocked(key, hash);
    if (n == SIZE_MAX) return false;
    const TSlot& e = At(n);
    entry.Key.assign(e.Key, e.KeyLength);
    entry.Mask = FMasks[e.Mask];
    entry.Totals = e.Totals;
    return true;
}

std::uint32_t TFolderSizeCache::MaskId(std::string_view mask) {
    // Few distinct masks exist in a run (the filters the user picks), so a scan is fine.
    for (std::size_t i = 0; i < FMasks.size(); ++i)
        if (FMasks[i] == mask) return static_cast<std::uint32_t>(i);
    FMasks.emplace_back(mask);
    return static_cast<std::uint32_t>(FMasks.size() - 1);
}

const char* TFolderSizeCache::KeepKey(std::string_view key) {
    if (key.empty()) return "";
    if (key.size() > FArenaLeft) {
        std::size_t size = key.size() > kArenaChunk / 4 ? key.size() : kArenaChunk;
        FArena.push_back(std::make_unique<char[]>(size));
        FArenaBytes += size;
        if (size == key.size()) {  // a key of its own size: the current chunk stays open
            std::memcpy(FArena.back().get(), key.data(), key.size());
            return FArena.back().get();
        }
        FArenaNext = FArena.back().get();
        FArenaLeft = size;
    }
    char* at = FArenaNext;
    std::memcpy(at, key.data(), key.size());
    FArenaNext += key.size();
    FArenaLeft -= key.size();
    return at;
}

void TFolderSizeCache::Grow() {
    std::vector<std::uint64_t> index(FIndex.size() * 2, 0);
    const std::size_t mask = index.size() - 1;
    for (std::uint64_t slot : FIndex) {
        if (slot == 0) continue;
        const TSlot& e = At(static_cast<std::uint32_t>(slot) - 1);
        std::size_t i = HashKey(std::string_view(e.Key, e.KeyLength)) & mask;
        while (index[i] != 0) i = (i + 1) & mask;
        index[i] = slot;
    }
    FIndex.swap(index);
}

std::size_t TFolderSizeCache::AppendLocked(std::string_view key, std::uint64_t hash) {
    if ((FCount + 1) * 4 > FIndex.size() * 3) Grow();
    if (FCount % kChunkEntries == 0) FChunks.push_back(std::make_unique<TSlot[]>(kChunkEntries));
    const std::size_t n = FCount;
    TSlot& e = At(n);
    e.Key = KeepKey(key);
    e.KeyLength = static_cast<std::uint32_t>(key.size());
    e.StaleAt = 0;
    e.ListingStaleAt = 0;
    ++FCount;
    const std::size_t indexMask = FIndex.size() - 1;
    std::size_t i = hash & indexMask;
    while (FIndex[i] != 0) i = (i + 1) & indexMask;
    FIndex[i] = ((hash >> 32) << 32) | (n + 1);
    return n;
}

bool TFolderSizeCache::Store(std::string_view key, std::string_view lowerMask, const TFolderTotals& totals,
                             std::uint64_t listedAt) {
    // A longer mask would be kept cut and then answer for the shorter mask it was cut to.
    if (lowerMask.size() > kMaxMask) return false;
    std::uint64_t hash = HashKey(key);
    std::lock_guard lock(FLock);
    return StoreLocked(key, hash, lowerMask, totals, listedAt);
}

bool TFolderSizeCache::StoreAll(const std::vector<TFolderSizeStore>& items, std::string_view lowerMask) {
    if (lowerMask.size() > kMaxMask) return false;
    std::vector<std::uint64_t> hashes;
    hashes.reserve(items.size());
    for (const auto& item : items) hashes.push_back(HashKey(item.Key));
    bool all = true;
    std::lock_guard lock(FLock);
    for (std::size_t i = 0; i < items.size(); ++i)
        all = StoreLocked(items[i].Key, hashes[i], lowerMask, items[i].Totals, items[i].ListedAt) && all;
    return all;
}

bool TFolderSizeCache::StoreLocked(std::string_view key, std::uint64_t hash, std::string_view lowerMask,
                                   const TFolderTotals& totals, std::uint64_t listedAt) {
    std::size_t n = FindLocked(key, hash);
    if (n != SIZE_MAX && At(n).StaleAt > listedAt) return false;  // read before the last invalidation
    if (n == SIZE_MAX) n = AppendLocked(key, hash);
    TSlot& e = At(n);
    e.Totals = totals;
    e.Mask = MaskId(lowerMask);
    return true;
}

bool TFolderSizeCache::MarkStale(std::string_view key) {
    return Mark(key, true);
}

bool TFolderSizeCache::MarkTotalsStale(std::string_view key) {
    return Mark(key, false);
}

bool TFolderSizeCache::Mark(std::string_view key, bool listing) {
    std::uint64_t hash = HashKey(key);
    std::lock_guard lock(FLock);
    std::size_t n = FindLocked(key, hash);
    const bool existed = n != SIZE_MAX;
    if (!existed) {
        n = AppendLocked(key, hash);
        At(n).Totals = TFolderTotals{};
        At(n).Mask = MaskId("");
    }
    TSlot& e = At(n);
    e.Totals.Size = -1;
    e.StaleAt = FGeneration.fetch_add(1) + 1;
    if (listing) e.ListingStaleAt = e.StaleAt;
    return existed;
}

TFolderSizeStamps TFolderSizeCache::Stamps(std::string_view key) const {
    std::uint64_t hash = HashKey(key);
    std::lock_guard lock(FLock);
    std::size_t n = FindLocked(key, hash);
    if (n == SIZE_MAX) return {};
    return {At(n).StaleAt, At(n).ListingStaleAt};
}

std::uint64_t TFolderSizeCache::Generation() const {
    return FGeneration.load();
}

std::size_t TFolderSizeCache::Count() const {
    std::lock_guard lock(FLock);
    return FCount;
}

std::size_t TFolderSizeCache::MemoryBytes() const {
    std::lock_guard lock(FLock);
    std::size_t bytes =
        FChunks.size() * kChunkEntries * sizeof(TSlot) + FArenaBytes + FIndex.size() * sizeof(std::uint64_t);
    for (const auto& m : FMasks) bytes += sizeof(std::string) + m.capacity();
    return bytes;
}

std::vector<TFolderSizeEntry> TFolderSizeCache::Entries() const {
    std::lock_guard lock(FLock);
    std::vector<TFolderSizeEntry> out;
    out.reserve(FCount);
    for (std::size_t n = 0; n < FCount; ++n) {
        const TSlot& e = At(n);
        out.push_back(TFolderSizeEntry{std::string(e.Key, e.KeyLength), FMasks[e.Mask], e.Totals});
    }
    return out;
}

void TFolderSizeCache::Clear() {
    std::lock_guard lock(FLock);
    FChunks.clear();
    FCount = 0;
    FArena.clear();
    FArenaBytes = 0;
    FArenaNext = nullptr;
    FArenaLeft = 0;
    FIndex.assign(64, 0);
    FMasks.clear();
    ++FClears;
}
