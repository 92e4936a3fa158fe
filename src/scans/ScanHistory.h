#pragma once
// The scan history: saved scans kept per root in one folder (per user: UserDataFolder()/"Scans" on
// Windows, .../voluscope/scans on POSIX), at most Keep() per root, the oldest removed first.
//
// A file's name tells its root and time, so a root's scans are found and ordered without opening them:
//   <root id>-<Unix seconds, 12 digits>-<n>.json.gz
// where the root id is 16 hex digits of a hash of the root's key and n tells apart scans of one second.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scans/ScanFile.h"

class TDirLister;

struct TScanHistoryEntry {
    std::string File;  // full path
    std::int64_t Timestamp = 0;
};

class TScanHistory {
public:
    static constexpr std::size_t kKeep = 20;
    // folder: where the scans go (made when the first is written); lister: to list it.
    TScanHistory(std::string folder, TDirLister& lister, std::size_t keep = kKeep);

    const std::string& Folder() const { return FFolder; }
    std::size_t Keep() const { return FKeep; }
    // The default folder of the user's history: "" when the system names no per-user folder.
    static std::string DefaultFolder();
    // 16 hex digits naming a root (by its key, FolderSizeService::CacheKey's form).
    static std::string RootId(std::string_view key);

    // Writes root's scan as the newest of its root, then removes the oldest past Keep. Returns the file.
    // Raises Exception when the folder cannot be made or the file written (nothing is removed then).
    std::string Add(const TScanReader& reader, TScanRef root, std::string_view key, const TScanFileInfo& info);
    // As Add, but a failure gives its message once: the first failure returns it, later ones return ""
    // until an Add succeeds again (so a window can say it once and go on).
    std::string AddOrWarnOnce(const TScanReader& reader, TScanRef root, std::string_view key,
                              const TScanFileInfo& info);
    // The root's scans, oldest first.
    std::vector<TScanHistoryEntry> List(std::string_view key) const;

private:
    std::string FFolder;
    TDirLister& FLister;
    std::size_t FKeep;
    bool FWarned = false;
};
