#pragma once
// What changed between two scanned roots (two saved scans, or a saved scan and a walk): per folder and
// per file, what was added, removed, grew or shrank, with the old and new sizes. Entries are matched by
// name within their folder (in key form: without case where the old tree's names ignore case); a moved
// folder shows as removed in one place and added in another, since nothing tells a move from a delete
// and a new copy.
//
// A folder added or removed as a whole is one change (its total), not one per entry below it. A folder
// found in both is a change when its total differs, besides the changes of its entries.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scans/ScanFile.h"
#include "shell/ScanTree.h"

enum class TScanChangeKind { Added, Removed, Grown, Shrunk };

struct TScanChange {
    std::string Path;  // relative to the roots, names joined by the old tree's separator
    bool Folder = false;
    TScanChangeKind Kind = TScanChangeKind::Added;
    std::int64_t OldSize = 0;  // 0 when added
    std::int64_t NewSize = 0;  // 0 when removed
    std::int64_t OldFiles = 0, NewFiles = 0;
    std::int64_t Change() const { return NewSize - OldSize; }
};

struct TScanDiff {
    std::vector<TScanChange> Changes;  // depth first: a folder before the changes below it
    TScanTotals Old, New;              // the roots' totals
    char Separator = '/';

    // The change of the entry at a path relative to the roots, or nullptr when it did not change.
    const TScanChange* Find(std::string_view path) const;
    // The largest changes that are not the sum of others (files, and folders added or removed as a
    // whole): growth (Added, Grown) or loss (Removed, Shrunk), largest first.
    std::vector<const TScanChange*> Largest(std::size_t count, bool growth) const;

private:
    mutable std::unordered_map<std::string_view, std::size_t> FIndex;
};

// Compares oldRoot (held by oldReader) with newRoot (held by newReader). The two readers may be the same
// when both roots are in one tree. A folder whose totals are not known (not scanned) counts as empty.
TScanDiff DiffScans(const TScanReader& oldReader, TScanRef oldRoot, const TScanReader& newReader, TScanRef newRoot);

// One entry of a folder of a baseline: a file, or a sub-folder with its total, as the scan held it.
struct TBaselineEntry {
    std::string Name;  // as saved
    bool Folder = false;
    std::int64_t Size = 0;  // bytes (a folder's total; 0 when its total was not known)
};

// A baseline folder's entries, found by name in key form.
struct TBaselineFolder {
    std::string Path;  // the folder on disk it was matched to
    std::vector<TBaselineEntry> Entries;
    // The entry of that name (without case where the baseline's names ignore it), or nullptr.
    const TBaselineEntry* Find(std::string_view name) const;

private:
    friend class TScanBaseline;
    bool FFold = false;
    std::unordered_map<std::string, std::size_t> FIndex;
};

// A saved scan the disk is compared with. It never changes once made, so views on any thread may read it.
class TScanBaseline {
public:
    explicit TScanBaseline(TImportedScan scan);
    const TImportedScan& Scan() const { return FScan; }
    // The saved folder that stands for a folder on disk: the saved root itself or one below it, by the
    // same path (without case, and '/' read as '\\', where the saved root is a Windows path). False when
    // the folder is outside the saved root; a folder below it that the scan does not hold matches with no
    // entries (it was not there then, so everything in it is new).
    bool Match(std::string_view path, TBaselineFolder& out) const;

private:
    TImportedScan FScan;
};

// The change of a size against a baseline size: new - old; a size not known (-1) has no change.
inline bool ChangeOf(std::int64_t now, std::int64_t then, std::int64_t& change) {
    if (now < 0 || then < 0) return false;
    change = now - then;
    return true;
}
// The text of a change, in the folder list's kilobytes: "+1,234KB", "-12KB", "0KB"; a change of less
// than a kilobyte reads as 1KB with its sign, as a small file's size does, so growth never reads as none.
std::string ChangeText(std::int64_t change);
