#pragma once
// The scan tree: every file and folder a walk has read, kept in memory, so that the totals of a scanned
// tree for any mask come from memory and a change re-reads only the folders it touched.
//
// Shape. A forest: a root is a folder asked for by its full path; a folder met in another's listing is
// that folder's child. When a listing meets a folder that is already a root (asked for before its
// parent), the root moves under it, so no folder is held twice.
//
// Layout (64-bit builds):
//  - TScanFile, 40 bytes: size, allocated size and last-write time (8 bytes each); attributes, the
//    name's offset in its folder's block and the extension id (4 each); the name's length (2), 2 spare.
//  - Each folder has one block of its own: its files, then (where the listing gives them: Windows) each
//    file's id, 8 bytes, then its hard-link keys (a side table, 24 bytes per
//    file with more than one hard link, sorted by file), then the names of all its entries,
//    files and sub-folders, UTF-8 without terminators. That block is the folder's name pool: reading the
//    folder again replaces the block and frees the old one, so updates leave nothing behind.
//  - TScanFolder, 96 bytes, in chunks of 1024 that never move; sub-folders are a list (first child, next
//    sibling) in listing order. Dropped folders are reused.
//  - One extension table for the forest (lower case, from the last "." on, "" for a name without one).
// A file thus costs 40 bytes plus its share of its folder's 96 + 16 (block header) bytes, besides its
// name; vscan --stats prints the figures of a real tree.
//
// Freshness. A folder keeps the cache generation read before its listing (ListedAt) and the generation
// at which a walk last found its whole tree fresh (VerifiedAt); the folder-size service compares them
// with the cache's stale stamps (FolderSizeCache.h). The tree knows nothing of masks.
//
// Threads. One shared lock: readers hold a TScanReader; the tree's own methods write. A TScanRef names a
// folder with a serial number, so a folder dropped (or its slot reused) meanwhile reads as gone.
//
// Memory budget. Blocks, folders and tables are counted; a change that would pass the budget empties the
// tree and turns it off until the budget is raised (State says so and why).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/DirList.h"

struct TScanTotals {
    std::int64_t Size = 0;       // bytes in the files
    std::int64_t Allocated = 0;  // bytes allocated to them
    std::int64_t Files = 0;
    bool operator==(const TScanTotals&) const = default;
};

struct TScanFile {
    std::int64_t Size;
    std::int64_t Allocated;
    std::int64_t LastWriteTime;  // 100-ns ticks since 1601 (FILETIME); 0 = unknown
    std::uint32_t Attributes;
    std::uint32_t NameOffset;  // in the folder's name pool
    std::uint32_t Extension;   // index in the tree's extension table
    std::uint16_t NameLength;
    std::uint16_t Spare;
};
static_assert(sizeof(TScanFile) == 40, "a file record is 40 bytes");

// The key of a file with more than one hard link, for counting it once per tree: the file id and the id of
// its volume (0 when not known, as in an imported scan).
struct TScanLinkKey {
    std::uint32_t File;   // its index among the folder's files
    std::uint32_t Links;  // its number of names; 0 = not known
    std::uint64_t Key;
    std::uint64_t Device;
};
static_assert(sizeof(TScanLinkKey) == 24, "a link key is 24 bytes");

// A hard-linked file met in a tree, with the figures it adds to the tree's totals.
struct TLinkSeen {
    std::uint64_t Device = 0, Key = 0;
    std::int64_t Size = 0, Used = 0;
};

// Sorts the list by key and keeps one entry of each key, calling drop(entry) for each repeat it removes,
// so that the caller can take the repeat's figures off the totals it was counted in.
template <typename F>
void DropRepeatedLinks(std::vector<TLinkSeen>& links, F&& drop) {
    if (links.size() < 2) return;
    std::sort(links.begin(), links.end(), [](const TLinkSeen& a, const TLinkSeen& b) {
        return a.Device != b.Device ? a.Device < b.Device : a.Key < b.Key;
    });
    std::size_t kept = 1;
    for (std::size_t i = 1; i < links.size(); ++i) {
        const TLinkSeen& last = links[kept - 1];
        if (links[i].Key == last.Key && links[i].Device == last.Device)
            drop(links[i]);
        else
            links[kept++] = links[i];
    }
    links.resize(kept);
}

struct TScanRef {
    static constexpr std::uint32_t kNone = UINT32_MAX;
    std::uint32_t Index = kNone;
    std::uint32_t Serial = 0;
    explicit operator bool() const { return Index != kNone; }
    bool operator==(const TScanRef&) const = default;
};

struct TScanFolder {
    static constexpr std::uint32_t kNone = TScanRef::kNone;
    enum : std::uint8_t {
        kUsed = 1,       // the slot holds a folder
        kScanned = 2,    // its own listing was read
        kLink = 4,       // a reparse point (junction, link to a folder): listed, never entered
        kMissing = 8,    // gone when it was to be read: no files, counts nothing
        kRoot = 16,      // asked for by its full path
        kVerified = 32,  // a walk found its whole tree fresh at VerifiedAt (and summed Total)
        kLinks = 64,     // its tree holds hard-linked files (while kVerified)
        kIds = 128,      // its block holds its files' ids (FileIds)
    };
    std::byte* Block = nullptr;  // owned: files, link keys, names
    std::uint32_t FileCount = 0;
    std::uint32_t LinkCount = 0;
    std::uint32_t NameBytes = 0;
    std::uint32_t Parent = kNone, FirstChild = kNone, NextSibling = kNone;
    std::uint32_t Serial = 0;
    std::uint32_t NameOffset = 0;  // in the parent's name pool
    std::uint16_t NameLength = 0;
    std::uint8_t Status = 0;  // TDirStatus of its own listing
    std::uint8_t Flags = 0;
    std::uint32_t Attributes = 0;    // as its parent's listing gave them; on POSIX only directory and
    std::int64_t LastWriteTime = 0;  // link are known and the time is 0 (a walk does not ask for them)
    std::uint64_t ListedAt = 0;      // cache generation read before its listing
    std::uint64_t VerifiedAt = 0;    // when its whole tree was last found fresh (with kVerified)
    TScanTotals Total;               // every file of its tree, while kVerified

    bool Has(std::uint8_t flag) const { return (Flags & flag) != 0; }
    TDirStatus ListingStatus() const { return static_cast<TDirStatus>(Status); }
    const TScanFile* Files() const { return reinterpret_cast<const TScanFile*>(Block); }
    // Each file's id as the listing gave it (TDirEntry::FileId, 0 where it gave none), by file; nullptr
    // where the listing gives no ids.
    const std::uint64_t* FileIds() const {
        return Has(kIds) ? reinterpret_cast<const std::uint64_t*>(Block + FileCount * sizeof(TScanFile)) : nullptr;
    }
    std::size_t IdBytes() const { return Has(kIds) ? FileCount * sizeof(std::uint64_t) : 0; }
    const TScanLinkKey* Links() const {
        return reinterpret_cast<const TScanLinkKey*>(Block + FileCount * sizeof(TScanFile) + IdBytes());
    }
    const char* Names() const {
        return reinterpret_cast<const char*>(Block + FileCount * sizeof(TScanFile) + IdBytes() +
                                             LinkCount * sizeof(TScanLinkKey));
    }
    std::string_view FileName(const TScanFile& f) const { return {Names() + f.NameOffset, f.NameLength}; }
};

// One folder's entries as read, handed to TScanTree::Install. Reusable: Clear keeps the capacity.
class TScanListing {
public:
    void Clear();
    void AddFile(std::string_view name, std::int64_t size, std::int64_t allocated, std::int64_t lastWriteTime,
                 std::uint32_t attributes);
    // A hard-link key for the file added last (its id, its volume's id and its number of names).
    void SetLinkKey(std::uint64_t key, std::uint64_t device = 0, std::uint32_t links = 0);
    // The file id of the file added last (TDirEntry::FileId); files given none keep 0.
    void SetFileId(std::uint64_t id);
    // A sub-folder; one with faReparsePoint is kept as a link and never entered.
    void AddFolder(std::string_view name, std::int64_t lastWriteTime, std::uint32_t attributes);
    std::size_t FileCount() const { return FFiles.size(); }
    std::size_t FolderCount() const { return FFolders.size(); }

private:
    friend class TScanTree;
    struct TFolderEntry {
        std::uint32_t NameOffset;
        std::uint16_t NameLength;
        std::uint32_t Attributes;
        std::int64_t LastWriteTime;
    };
    std::vector<TScanFile> FFiles;  // Extension still unset
    std::vector<TScanLinkKey> FLinks;
    std::vector<std::uint64_t> FIds;  // empty, or up to the last file given an id
    std::vector<TFolderEntry> FFolders;
    std::string FNames;
    std::uint32_t Keep(std::string_view name, std::uint16_t& length);
};

struct TScanTreeState {
    bool KeepsFiles = true;      // false: only per-folder totals are kept (the budget was reached)
    bool BudgetReached = false;  // why it is off; false with KeepsFiles false means a budget of 0
    std::size_t Bytes = 0;
    std::size_t Budget = 0;
};

struct TScanTreeStats {
    std::int64_t Files = 0;
    std::int64_t Folders = 0;
    std::size_t NameBytes = 0;  // names of files and folders
    std::size_t Bytes = 0;      // everything the tree holds, names included
    std::size_t Extensions = 0;
};

struct TScanInstall {
    bool Installed = false;
    // The folder has no sub-folders to enter, so it was verified as of the listing (Verify is not needed).
    bool Verified = false;
    // One per entered sub-folder (not links), in the listing's order.
    std::vector<TScanRef> Children;
    // For each of them: the tree held it scanned already (kept from before, or a root moved here). A
    // sub-folder new to the tree has nothing to read from it.
    std::vector<bool> Known;
};

class TScanReader;

class TScanTree {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{2} << 30;  // 2 GiB

    // The path rules of the listing the tree is filled from (TDirLister::Separator, CaseSensitive).
    TScanTree(char separator, bool caseSensitive);
    ~TScanTree();
    TScanTree(const TScanTree&) = delete;
    TScanTree& operator=(const TScanTree&) = delete;

    char Separator() const { return FSeparator; }
    bool CaseSensitive() const { return FCaseSensitive; }
    // A name as it appears in keys: lower case unless names keep their case.
    void AppendKeyName(std::string& key, std::string_view name) const;

    // The folder with that key (FolderSizeCache's form: full path, one trailing separator), when held.
    TScanRef Find(std::string_view key) const;
    // The folder with that key, made a new root (not yet scanned) when it is not held. path is its full
    // path with its letters' case. An empty ref when the tree is off.
    TScanRef AddRoot(std::string_view path, std::string_view key);

    // Replaces a folder's own entries with a listing read at generation listedAt: its files and name pool,
    // and its sub-folders, where those still listed keep their trees, new ones come in unscanned (or as
    // the root of that key, moved here), and those no longer listed are dropped with their trees. The
    // folder then needs verifying again. Not installed when the folder is gone or the tree is off, or
    // when it would pass the budget (the tree is then emptied and turned off).
    TScanInstall Install(TScanRef folder, std::string_view key, const TScanListing& listing, TDirStatus status,
                         std::uint64_t listedAt);
    // The folder was gone when it was to be read: it keeps no files or sub-folders and counts nothing.
    void MarkMissing(TScanRef folder);
    // Records that a walk found the folder's tree fresh as of generation at, and sums its Total. False
    // (nothing recorded) when the folder or one of its sub-folders is not scanned and verified.
    bool Verify(TScanRef folder, std::uint64_t at);

    void Clear();
    // Bytes the tree may hold. Over it, the tree is emptied and turned off; raising it turns it on again.
    void SetBudget(std::size_t bytes);
    TScanTreeState State() const;
    bool KeepsFiles() const;
    TScanTreeStats Stats() const;

private:
    friend class TScanReader;
    friend class TScanTreeBuilder;
    static constexpr std::size_t kChunk = 1024;
    static constexpr std::size_t kBlockOverhead = 16;  // what the allocator adds to a block
    static constexpr std::size_t kRootOverhead = 64;   // a root's two map entries besides its texts

    struct TExtHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    struct TExtEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const { return a == b; }
    };

    const char FSeparator;
    const bool FCaseSensitive;
    mutable std::shared_mutex FLock;
    std::vector<std::unique_ptr<TScanFolder[]>> FChunks;
    std::uint32_t FSlots = 0;  // slots handed out so far
    std::vector<std::uint32_t> FFree;
    std::uint32_t FSerial = 0;
    std::unordered_map<std::string, std::uint32_t> FRootsByKey;
    std::unordered_map<std::uint32_t, std::string> FRootPaths;
    std::unordered_map<std::string, std::uint32_t, TExtHash, TExtEqual> FExtensionIds;
    std::vector<std::string> FExtensions;
    std::size_t FBytes = 0;
    std::size_t FNameBytes = 0;
    std::int64_t FFiles = 0;
    std::int64_t FFolders = 0;
    std::size_t FBudget = kDefaultBudget;
    bool FOff = false;
    bool FBudgetReached = false;

    TScanFolder& Slot(std::uint32_t index) const { return FChunks[index / kChunk][index % kChunk]; }
    TScanFolder* Get(TScanRef ref) const;
    std::uint32_t NewFolder();
    void FreeBlock(TScanFolder& f);
    void DropChildren(TScanFolder& f);
    void DropTree(std::uint32_t index);
    std::uint32_t ExtensionId(std::string_view name);
    std::string_view NameOf(std::uint32_t index) const;
    std::uint32_t FindLocked(std::string_view key) const;
    void ClearLocked();
    void TurnOffLocked();
    bool FitsLocked(std::size_t more) const { return !FOff && FBytes + more <= FBudget; }
    std::string FoldedName(std::string_view name) const;
    // The hard-linked files of a folder's tree (not entering links or missing folders), each name once.
    void GatherLinksLocked(std::uint32_t index, std::vector<TLinkSeen>& out) const;
    // Sums a folder's Total from its files and its verified sub-folders' Totals, counting a hard-linked
    // file once; sets kLinks. False when a sum does not fit.
    bool SumLocked(TScanFolder& f);
};

// Read access to a tree: holds its shared lock for the reader's life. Pointers it gives stay valid while
// it lives. Never make a second reader (or call the tree's writing methods) on a thread that holds one.
class TScanReader {
public:
    explicit TScanReader(const TScanTree& tree) : FTree(tree), FLock(tree.FLock) {}
    // Does not wait for a writer: Locked() tells whether the lock was had.
    TScanReader(const TScanTree& tree, std::try_to_lock_t) : FTree(tree), FLock(tree.FLock, std::try_to_lock) {}
    bool Locked() const { return FLock.owns_lock(); }
    const TScanTree& Tree() const { return FTree; }

    const TScanFolder* Folder(TScanRef ref) const { return FTree.Get(ref); }
    const TScanFolder& At(std::uint32_t index) const { return FTree.Slot(index); }
    TScanRef RefOf(std::uint32_t index) const { return {index, FTree.Slot(index).Serial}; }
    // A folder's name as listed; a root's full path.
    std::string_view Name(std::uint32_t index) const { return FTree.NameOf(index); }
    std::string_view Extension(std::uint32_t id) const { return FTree.FExtensions[id]; }
    std::size_t ExtensionCount() const { return FTree.FExtensions.size(); }
    TScanRef Find(std::string_view key) const;

private:
    const TScanTree& FTree;
    std::shared_lock<std::shared_mutex> FLock;
};

// Fills a tree with a whole scan given depth first (an imported scan): OpenFolder and CloseFolder
// bracket each sub-folder, AddFile adds to the folder open last. Each folder goes into the tree when it
// closes (as a root of its own key, which its parent's install then takes in as a sub-folder), so the
// builder holds only the listings of the folders open at once, never a second copy of the scan. A tree
// being built is meant for the builder alone until Finish: a bad scan throws the whole tree away.
class TScanTreeBuilder {
public:
    TScanTreeBuilder(TScanTree& tree, std::string path, std::string key, std::uint64_t stamp = 0);
    void OpenFolder(std::string_view name, std::int64_t lastWriteTime = 0, std::uint32_t attributes = faDirectory);
    void AddFile(std::string_view name, std::int64_t size, std::int64_t allocated, std::int64_t lastWriteTime = 0,
                 std::uint32_t attributes = faArchive);
    void SetLinkKey(std::uint64_t key, std::uint64_t device = 0, std::uint32_t links = 0);
    void CloseFolder(TDirStatus status = TDirStatus::Ok);
    // The root, or an empty ref when the tree refused it (off, or over the budget).
    TScanRef Finish(TDirStatus rootStatus = TDirStatus::Ok);

private:
    struct TLevel {
        std::size_t PathLength, KeyLength;  // of the folder's path and key in FPath and FKey
        bool Link = false;                  // listed in its parent, never entered: not installed
    };
    TScanTree& FTree;
    // The path and key of the folder open last, grown as folders open and cut back as they close.
    std::string FPath, FKey;
    std::uint64_t FStamp;
    std::vector<TLevel> FLevels;  // one per open folder, the root first
    // The listings of the open folders, one per depth, reused with their capacity.
    std::vector<TScanListing> FScratch;
    bool FFailed = false;
    TScanListing& Open() { return FScratch[FLevels.size() - 1]; }
    // Installs and verifies the folder open last; false when the tree refused it.
    bool InstallOpen(TDirStatus status);
};
