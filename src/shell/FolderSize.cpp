#include "shell/FolderSize.h"

#include <algorithm>

#include "platform/CheckedMath.h"
#include "platform/DosWildcard.h"
#include "platform/ErrorMode.h"
#include "platform/Exception.h"
#include "shell/FolderSizeMask.h"

// --- drive cluster table

void TDriveClusterTable::RebuildLocked() {
    FEntries.clear();
    ++FBuilds;
    TCriticalErrorScope quiet;
    const std::uint32_t mask = FVolumes.LogicalDriveMask();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        const std::string root = DriveRoot(letter);
        TDiskSpace space;
        if (!FVolumes.DiskSpace(root, space) || space.Total <= 0) continue;
        TClusterGeometry geometry;
        std::uint64_t bytes = FVolumes.ClusterGeometry(root, geometry) ? geometry.ClusterBytes() : 0;
        FEntries.emplace_back(letter, bytes > UINT32_MAX ? 0u : static_cast<std::uint32_t>(bytes));
    }
}

void TDriveClusterTable::Rebuild() {
    std::lock_guard lock(FLock);
    RebuildLocked();
}

std::uint32_t TDriveClusterTable::ClusterSize(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
    if (letter < 'A' || letter > 'Z') return 0;
    std::lock_guard lock(FLock);
    if (FEntries.empty()) RebuildLocked();
    auto find = [&]() -> const std::pair<char, std::uint32_t>* {
        for (const auto& e : FEntries)
            if (e.first == letter) return &e;
        return nullptr;
    };
    if (auto* e = find(); e && e->second != 0) return e->second;
    // An unknown letter or a zero entry: the drives may have changed. One rebuild, then the letter is
    // looked up again by letter (the table may have shrunk), and a drive still missing counts 0.
    RebuildLocked();
    auto* e = find();
    return e ? e->second : 0;
}

std::vector<std::pair<char, std::uint32_t>> TDriveClusterTable::Entries() const {
    std::lock_guard lock(FLock);
    return FEntries;
}

int TDriveClusterTable::Builds() const {
    std::lock_guard lock(FLock);
    return FBuilds;
}

// --- files known to have several names

bool TLinkedFileIds::Find(std::uint64_t volume, std::uint64_t id) const {
    std::shared_lock lock(FLock);
    return std::binary_search(FIds.begin(), FIds.end(), std::make_pair(volume, id));
}

void TLinkedFileIds::Add(std::uint64_t volume, const std::vector<std::uint64_t>& ids) {
    std::unique_lock lock(FLock);
    for (std::uint64_t id : ids) FIds.emplace_back(volume, id);
    std::sort(FIds.begin(), FIds.end());
    FIds.erase(std::unique(FIds.begin(), FIds.end()), FIds.end());
    FCount.store(FIds.size(), std::memory_order_release);
}

void TLinkedFileIds::Clear() {
    std::unique_lock lock(FLock);
    FIds.clear();
    FCount.store(0, std::memory_order_release);
}

std::uint64_t VolumeKeyOf(std::string_view key) {
    if (key.size() >= 4 && key.substr(0, 4) == "\\\\?\\") key.remove_prefix(4);
    std::string_view volume;
    if (TFolderSizeService::DriveLetterOf(key)) {
        volume = key.substr(0, 2);
    } else if (key.size() > 2 && key[0] == '\\' && key[1] == '\\') {
        // "\\server\share\": up to the separator after the share's name.
        const std::size_t server = key.find('\\', 2);
        const std::size_t share = server == std::string_view::npos ? server : key.find('\\', server + 1);
        volume = key.substr(0, share == std::string_view::npos ? key.size() : share);
    } else {
        return 0;
    }
    // FNV-1a over the volume's name in lower case; never 0, which means no volume.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : volume) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash | 1;
}

// --- service

std::string TFolderSizeService::FullFolder(std::string_view path) const {
    return CanonicalFolder(FLister.AbsolutePath(path), FLister.Separator());
}

std::string TFolderSizeService::KeyOf(std::string_view fullFolder) const {
    if (FLister.CaseSensitive()) return std::string(fullFolder);
    std::string key;
    key.reserve(fullFolder.size());
    AppendLowerCase(key, fullFolder);
    return key;
}

std::string TFolderSizeService::CacheKey(std::string_view path) const {
    return KeyOf(FullFolder(path));
}

std::string TFolderSizeService::ParentKey(std::string_view key) const {
    const char sep = FLister.Separator();
    if (key.size() < 2) return {};
    std::size_t pos = key.find_last_of(sep, key.size() - 2);
    if (pos == std::string_view::npos) return {};
    return std::string(key.substr(0, pos + 1));
}

char TFolderSizeService::DriveLetterOf(std::string_view path) {
    if (path.size() >= 4 && path[0] == '\\' && path[1] == '\\' && path[2] == '?' && path[3] == '\\')
        path.remove_prefix(4);
    if (path.size() < 2 || path[1] != ':') return 0;
    char c = path[0];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    return (c >= 'A' && c <= 'Z') ? c : 0;
}

std::int64_t TFolderSizeService::AllocatedSize(char letter, std::int64_t size) {
    if (size <= 0) return 0;
    const std::int64_t cluster = ClusterSize(letter);
    if (cluster <= 0) return 0;
    return CheckedAdd(size, cluster - size % cluster);
}

std::int64_t TFolderSizeService::FolderTotals(std::string_view path, std::string_view mask, std::int64_t& used,
                                              std::int64_t& count) {
    const TFolderTotals totals = Totals(path, mask);
    used = CheckedAdd(used, totals.Used);
    count = CheckedAdd(count, totals.Count);
    return totals.Size;
}

TFolderTotals TFolderSizeService::Totals(std::string_view path, std::string_view mask) {
    if (path.empty()) return {};
    TCriticalErrorScope quiet;
    std::string folder = FullFolder(path);
    if (!FLister.FolderExists(folder)) return {};
    std::string key = KeyOf(folder);
    TFolderTotals totals;
    if (FCache.Lookup(key, LowerCaseText(mask), totals)) return totals;
    return Walk(std::move(folder), std::move(key), mask);
}

bool TFolderSizeService::TotalsIfKnown(std::string_view path, std::string_view mask, TFolderTotals& totals) {
    if (path.empty()) return false;
    const std::string key = CacheKey(path);  // string work only: nothing is read
    const TFolderSizeMask m(mask);
    if (m.Cacheable() && FCache.Lookup(key, m.Lower(), totals)) return true;
    if (!Tree()) return false;
    return FromTree({}, key, m, false, nullptr, totals) == TTreeAnswer::Done;
}

TScanTree* TFolderSizeService::Tree() {
    // The tree's freshness rests on the cache's stamps: after the cache was cleared it starts over too.
    const std::uint64_t clears = FCache.Clears();
    if (FTreeClears.exchange(clears) != clears) FTree.Clear();
    return FTree.KeepsFiles() ? &FTree : nullptr;
}

TScanTreeState TFolderSizeService::TreeMode() const {
    return FTree.State();
}

void TFolderSizeService::SetTreeBudget(std::size_t bytes) {
    FTree.SetBudget(bytes);
}

TScanTreeStats TFolderSizeService::TreeStats() const {
    return FTree.Stats();
}

std::int64_t TFolderSizeService::FolderSize(std::string_view path, std::string_view mask, std::int64_t& used,
                                            std::int64_t& count) {
    used = 0;
    count = 0;
    return FolderTotals(path, mask, used, count);
}

std::int64_t TFolderSizeService::FolderFileCount(std::string_view path, std::string_view mask) {
    return Totals(path, mask).Count;
}

void TFolderSizeService::InvalidateFolderSize(std::string_view itemPath, bool isFolder) {
    if (itemPath.empty()) return;
    std::string base = CacheKey(itemPath);
    if (!isFolder) base = ParentKey(base);
    if (base.empty()) return;
    // Whose listing changed: the folder's own, and where the tree does not hold the folder (or a folder
    // on the way up to it), the listing of the first folder above that the tree does hold, which is
    // where the new folder shows. Everything above has only its totals changed.
    std::size_t listings = base.size();  // keys at least this long had their listing changed
    if (TScanTree* tree = Tree()) {
        for (std::string at = base; !tree->Find(at);) {
            at = ParentKey(at);
            if (at.empty()) break;
            listings = at.size();
        }
    }
    // c:\a\b\ -> c:\a\ -> c:\ (the root is included); /a/b/ -> /a/ -> /.
    while (!base.empty()) {
        if (base.size() >= listings)
            FCache.MarkStale(base);
        else
            FCache.MarkTotalsStale(base);
        base = ParentKey(base);
    }
}
