#pragma once
// Test stand-ins for the listing and volume interfaces: an in-memory tree with Windows path rules that
// counts its directory reads and can fail, vanish or throw on chosen folders; a decorator that counts the
// reads of another lister; and volumes with chosen drives and cluster sizes. The tree may be changed
// while walks read it (from the hooks, or from another thread).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/DirList.h"
#include "platform/Volumes.h"

namespace vstest {

class TFakeLister : public TDirLister {
public:
    // Adds a folder and all its ancestors ("c:\a\b").
    void AddFolder(const std::string& path);
    // Adds a file, and its folders.
    void AddFile(const std::string& path, std::int64_t size, std::int64_t lastWriteTime = 0);
    // Adds an entry with the given attributes (a junction: faDirectory | faReparsePoint).
    void AddEntry(const std::string& path, std::uint32_t attributes, std::int64_t size = 0,
                  std::int64_t lastWriteTime = 0);
    // Adds a name of a hard-linked file: every name given the same id is one file (of links names).
    void AddHardLink(const std::string& path, std::int64_t size, std::uint64_t id, std::uint32_t links = 2);
    // Adds a file as the Windows listing gives it: with its file id but no count of names, so every name
    // given the same id is one file that only the repeated id tells apart.
    void AddFileWithId(const std::string& path, std::int64_t size, std::uint64_t fileId);
    // Removes a file, or a folder with everything in it.
    void Remove(const std::string& path);

    // A folder that the parent lists but that is gone when it is opened itself.
    void Vanish(const std::string& path) {
        std::lock_guard lock(FLock);
        FVanished.insert(Key(path));
    }
    // A folder whose listing fails with status after it yielded its first `yield` entries.
    void FailListing(const std::string& path, TDirStatus status, int yield = 0) {
        std::lock_guard lock(FLock);
        FFailures[Key(path)] = {status, yield};
    }
    // A folder whose listing throws.
    void ThrowOn(const std::string& path) {
        std::lock_guard lock(FLock);
        FThrowing.insert(Key(path));
    }
    void SetDelay(std::chrono::milliseconds delay) { FDelay = delay.count(); }
    // Called with the folder's key when a listing starts and when it has ended (on the listing thread).
    std::function<void(const std::string& key)> OnListing;
    std::function<void(const std::string& key)> OnListed;

    // How often a folder was listed; ReadsTotal counts every listing.
    int Reads(const std::string& path) const;
    int ReadsTotal() const { return FTotal; }
    void ResetReads();
    // How often a listing or an existence check named a file rather than a folder: the only way a
    // caller of the listing reaches a file itself.
    int FileRequests() const { return FFileRequests; }
    // Whether critical errors were suppressed on the listing thread every time.
    bool AlwaysQuiet() const { return FAlwaysQuiet; }

    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override;
    bool FolderExists(std::string_view folder) override;
    char Separator() const override { return '\\'; }
    bool CaseSensitive() const override { return false; }

    static std::string Key(std::string_view path);  // lower case, one trailing '\'

private:
    struct TEntry {
        std::string Name;
        std::uint32_t Attributes;
        std::int64_t Size;
        std::int64_t Time;
        std::uint64_t LinkId = 0;
        std::uint32_t Links = 1;
        std::uint64_t FileId = 0;
    };
    std::map<std::string, std::vector<TEntry>> FFolders;
    std::set<std::string> FVanished, FThrowing;
    std::map<std::string, std::pair<TDirStatus, int>> FFailures;
    std::atomic<std::chrono::milliseconds::rep> FDelay{0};
    mutable std::mutex FLock;
    std::map<std::string, int> FReads;
    std::atomic<int> FTotal{0};
    std::atomic<bool> FAlwaysQuiet{true};
    std::atomic<int> FFileRequests{0};
    void NoteFileRequest(const std::string& key);
    TDirStatus ListFolder(const std::string& key, std::string_view pattern, TDirVisit visit);
    void AddFolderLocked(const std::string& path);
};

// Forwards to another lister and counts the listings of each folder (by its path as given).
class TCountingLister : public TDirLister {
public:
    explicit TCountingLister(TDirLister& inner) : FInner(inner) {}
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override;
    bool FolderExists(std::string_view folder) override { return FInner.FolderExists(folder); }
    char Separator() const override { return FInner.Separator(); }
    bool CaseSensitive() const override { return FInner.CaseSensitive(); }
    std::string AbsolutePath(std::string_view path) const override { return FInner.AbsolutePath(path); }
    int ReadsTotal() const { return FTotal; }
    std::multiset<std::string> ReadFolders() const;
    void ResetReads();

private:
    TDirLister& FInner;
    mutable std::mutex FLock;
    std::multiset<std::string> FRead;
    std::atomic<int> FTotal{0};
};

// Holds back the listing of one folder until released: set Key, route the lister's OnListing to Wait.
struct TListingGate {
    std::mutex Lock;
    std::condition_variable Open;
    bool Released = false;
    std::string Key;
    void Wait(const std::string& key) {
        if (key != Key) return;
        std::unique_lock lock(Lock);
        Open.wait(lock, [&] { return Released; });
    }
    void Release() {
        {
            std::lock_guard lock(Lock);
            Released = true;
        }
        Open.notify_all();
    }
};

class TFakeVolumes : public TVolumeQueries {
public:
    // A drive with the given cluster size (0: the geometry query fails) and total size.
    void SetDrive(char letter, std::uint32_t cluster, std::int64_t total = 1 << 30);
    void RemoveDrive(char letter);

    std::uint32_t LogicalDriveMask() override;
    TDriveType DriveType(std::string_view root) override;
    bool DiskSpace(std::string_view root, TDiskSpace& space) override;
    bool VolumeInformation(std::string_view root, TVolumeInfo& info) override;
    bool ClusterGeometry(std::string_view root, TClusterGeometry& geometry) override;

private:
    std::mutex FLock;
    std::map<char, std::pair<std::uint32_t, std::int64_t>> FDrives;
};

}  // namespace vstest
