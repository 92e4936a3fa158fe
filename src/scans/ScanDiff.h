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
#include "shell/ScanBaseline.h"
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
