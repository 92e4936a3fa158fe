#include "shell/FakeListing.h"

#include <stdexcept>
#include <thread>

#include "platform/DosWildcard.h"
#include "platform/ErrorMode.h"

namespace vstest {

namespace {

// "c:\a\b\f.txt" -> {"c:\a\b\", "f.txt"}
std::pair<std::string, std::string> Split(const std::string& path) {
    std::size_t pos = path.find_last_of('\\');
    return {path.substr(0, pos + 1), path.substr(pos + 1)};
}

}  // namespace

std::string TFakeLister::Key(std::string_view path) {
    std::string key = LowerCaseText(path);
    for (auto& c : key)
        if (c == '/') c = '\\';
    if (key.empty() || key.back() != '\\') key += '\\';
    return key;
}

void TFakeLister::AddFolder(const std::string& path) {
    std::lock_guard lock(FLock);
    AddFolderLocked(path);
}

void TFakeLister::AddFolderLocked(const std::string& path) {
    std::string key = Key(path);
    if (FFolders.count(key)) return;
    FFolders[key];
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    auto [parent, name] = Split(trimmed);
    if (parent.empty()) return;  // a drive root
    AddFolderLocked(parent);
    FFolders[Key(parent)].push_back({name, faDirectory, 0, 0});
}

void TFakeLister::AddEntry(const std::string& path, std::uint32_t attributes, std::int64_t size,
                           std::int64_t lastWriteTime) {
    std::lock_guard lock(FLock);
    auto [parent, name] = Split(path);
    AddFolderLocked(parent);
    FFolders[Key(parent)].push_back({name, attributes, size, lastWriteTime});
}

void TFakeLister::AddFile(const std::string& path, std::int64_t size, std::int64_t lastWriteTime) {
    AddEntry(path, faArchive, size, lastWriteTime);
}

void TFakeLister::AddHardLink(const std::string& path, std::int64_t size, std::uint64_t id, std::uint32_t links) {
    std::lock_guard lock(FLock);
    auto [parent, name] = Split(path);
    AddFolderLocked(parent);
    FFolders[Key(parent)].push_back({name, faArchive, size, 0, id, links});
}

void TFakeLister::AddFileWithId(const std::string& path, std::int64_t size, std::uint64_t fileId) {
    std::lock_guard lock(FLock);
    auto [parent, name] = Split(path);
    AddFolderLocked(parent);
    FFolders[Key(parent)].push_back({name, faArchive, size, 0, 0, 1, fileId});
}

void TFakeLister::Remove(const std::string& path) {
    std::lock_guard lock(FLock);
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    auto [parent, name] = Split(trimmed);
    auto& entries = FFolders[Key(parent)];
    const std::string folded = LowerCaseText(name);
    std::erase_if(entries, [&](const TEntry& e) { return LowerCaseText(e.Name) == folded; });
    // The folder and everything below it.
    const std::string key = Key(trimmed);
    for (auto it = FFolders.lower_bound(key); it != FFolders.end() && it->first.compare(0, key.size(), key) == 0;)
        it = FFolders.erase(it);
}

int TFakeLister::Reads(const std::string& path) const {
    std::lock_guard lock(FLock);
    auto it = FReads.find(Key(path));
    return it == FReads.end() ? 0 : it->second;
}

void TFakeLister::ResetReads() {
    std::lock_guard lock(FLock);
    FReads.clear();
    FTotal = 0;
}

void TFakeLister::NoteFileRequest(const std::string& key) {
    auto [parent, name] = Split(key.substr(0, key.size() - 1));
    std::lock_guard lock(FLock);
    auto it = FFolders.find(parent);
    if (it == FFolders.end()) return;
    for (const auto& e : it->second)
        if (!(e.Attributes & faDirectory) && LowerCaseText(e.Name) == name) ++FFileRequests;
}

TDirStatus TFakeLister::List(std::string_view folder, std::string_view pattern, TDirVisit visit) {
    const std::string key = Key(folder);
    NoteFileRequest(key);
    if (OnListing) OnListing(key);
    TDirStatus status = ListFolder(key, pattern, visit);
    if (OnListed) OnListed(key);
    return status;
}

TDirStatus TFakeLister::ListFolder(const std::string& key, std::string_view pattern, TDirVisit visit) {
    if (!CriticalErrorsSuppressed()) FAlwaysQuiet = false;
    {
        std::lock_guard lock(FLock);
        ++FReads[key];
    }
    ++FTotal;
    if (FDelay) std::this_thread::sleep_for(std::chrono::milliseconds(FDelay));
    // The entries as they are now: the tree may change while they are visited.
    std::vector<TEntry> entries;
    std::pair<TDirStatus, int> failure{TDirStatus::Ok, -1};
    {
        std::lock_guard lock(FLock);
        if (FThrowing.count(key)) throw std::runtime_error("listing failed: " + key);
        if (FVanished.count(key)) return TDirStatus::NotFound;
        auto it = FFolders.find(key);
        if (it == FFolders.end()) return TDirStatus::NotFound;
        entries = it->second;
        if (auto f = FFailures.find(key); f != FFailures.end()) failure = f->second;
    }
    const int limit = failure.second;

    struct TEntryView final : TDirEntry {
        const TEntry* E = nullptr;
        std::string_view Name() const override { return E->Name; }
        bool IsDirectory() const override { return E->Attributes & faDirectory; }
        bool IsReparsePoint() const override { return E->Attributes & faReparsePoint; }
        std::uint32_t Attributes() const override { return E->Attributes; }
        std::int64_t Size() const override { return E->Size; }
        std::int64_t LastWriteTime() const override { return E->Time; }
        std::uint64_t LinkId() const override { return E->LinkId; }
        std::uint64_t LinkDevice() const override { return E->LinkId ? 7 : 0; }
        std::uint32_t LinkCount() const override { return E->Links; }
        std::uint64_t FileId() const override { return E->FileId; }
    } view;
    const TDosWildcard matcher(pattern);
    int yielded = 0;
    for (const auto& e : entries) {
        if (limit >= 0 && yielded >= limit) return failure.first;
        if (!matcher.Matches(e.Name)) continue;
        view.E = &e;
        ++yielded;
        if (!visit(view)) return TDirStatus::Ok;
    }
    return limit >= 0 ? failure.first : TDirStatus::Ok;
}

bool TFakeLister::FolderExists(std::string_view folder) {
    std::string key = Key(folder);
    NoteFileRequest(key);
    std::lock_guard lock(FLock);
    return FFolders.count(key) && !FVanished.count(key);
}

TDirStatus TCountingLister::List(std::string_view folder, std::string_view pattern, TDirVisit visit) {
    {
        std::lock_guard lock(FLock);
        FRead.emplace(folder);
    }
    ++FTotal;
    return FInner.List(folder, pattern, visit);
}

std::multiset<std::string> TCountingLister::ReadFolders() const {
    std::lock_guard lock(FLock);
    return FRead;
}

void TCountingLister::ResetReads() {
    std::lock_guard lock(FLock);
    FRead.clear();
    FTotal = 0;
}

void TFakeVolumes::SetDrive(char letter, std::uint32_t cluster, std::int64_t total) {
    std::lock_guard lock(FLock);
    FDrives[letter] = {cluster, total};
}

void TFakeVolumes::RemoveDrive(char letter) {
    std::lock_guard lock(FLock);
    FDrives.erase(letter);
}

std::uint32_t TFakeVolumes::LogicalDriveMask() {
    std::lock_guard lock(FLock);
    std::uint32_t mask = 0;
    for (const auto& [letter, drive] : FDrives) mask |= 1u << (letter - 'A');
    return mask;
}

TDriveType TFakeVolumes::DriveType(std::string_view root) {
    std::lock_guard lock(FLock);
    return !root.empty() && FDrives.count(root[0]) ? TDriveType::Fixed : TDriveType::NoRootDir;
}

bool TFakeVolumes::DiskSpace(std::string_view root, TDiskSpace& space) {
    std::lock_guard lock(FLock);
    auto it = root.empty() ? FDrives.end() : FDrives.find(root[0]);
    if (it == FDrives.end()) return false;
    space.Total = it->second.second;
    space.Free = space.Available = it->second.second / 2;
    return true;
}

bool TFakeVolumes::VolumeInformation(std::string_view root, TVolumeInfo& info) {
    std::lock_guard lock(FLock);
    if (root.empty() || !FDrives.count(root[0])) return false;
    info.FileSystem = "NTFS";
    return true;
}

bool TFakeVolumes::ClusterGeometry(std::string_view root, TClusterGeometry& geometry) {
    std::lock_guard lock(FLock);
    auto it = root.empty() ? FDrives.end() : FDrives.find(root[0]);
    if (it == FDrives.end() || it->second.first == 0) return false;
    geometry.SectorsPerCluster = it->second.first / 512;
    geometry.BytesPerSector = 512;
    return true;
}

}  // namespace vstest
