#pragma once
// Awkward things the listing and folder-size tests make on real disks: sparse files, links to folders,
// unreadable folders. Each returns false where this system cannot make it; the test then skips.
#include <cstdint>
#include <filesystem>
#include <string>

namespace vstest {

// A file of `size` bytes that takes (almost) no disk space.
bool MakeSparseFile(const std::filesystem::path& file, std::uint64_t size);

// A symbolic link to a folder. Under Wine this is a Unix symbolic link (made by /bin/ln), which Wine
// shows as a reparse-point folder.
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);

// Takes every permission off a folder (and gives them back). Returns false when the folder can still
// be listed afterwards (the tests run as root, for instance).
bool MakeUnreadable(const std::filesystem::path& folder);
void MakeReadable(const std::filesystem::path& folder);

// True when the program runs under Wine.
bool RunningUnderWine();

}  // namespace vstest
