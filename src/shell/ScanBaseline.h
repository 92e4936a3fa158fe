#pragma once
// A saved scan as the baseline the folder list compares the disk with: the saved folder that stands for a
// folder on disk, its entries found by name, and the texts of a change.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "shell/SavedScan.h"

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
