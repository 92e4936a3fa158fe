#pragma once
// Awkward things the listing and folder-size tests make on real disks: sparse files, links to folders,
// unreadable folders. Each returns false where this system cannot make it; the test then skips.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vstest {

// A file of `size` bytes that takes (almost) no disk space.
bool MakeSparseFile(const std::filesystem::path& file, std::uint64_t size);

// A symbolic link to a folder. Under Wine this is a Unix symbolic link (made by /bin/ln), which Wine
// shows as a reparse-point folder.
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);
// Removes such a link (not what it points to). Call it before the temporary folder goes: MinGW's runtime
// cannot tell a link from a folder, so removing the tree would follow a link that leads back up.
bool RemoveFolderLink(const std::filesystem::path& link);

// Takes every permission off a folder (and gives them back). Returns false when the folder can still
// be listed afterwards (the tests run as root, for instance).
bool MakeUnreadable(const std::filesystem::path& folder);
void MakeReadable(const std::filesystem::path& folder);

// Runs check in a child process that has dropped root's right to read every folder, with `folder` made
// unreadable meanwhile (POSIX, when running as root). Returns false when that cannot be done here (on
// Windows, or when the child cannot reach the folder's parent); passed is check's result.
bool CheckUnprivileged(const std::filesystem::path& folder, const std::function<bool()>& check, bool& passed);

// Runs check with `folder` made unreadable: directly where permissions bind this process, else in an
// unprivileged child. Returns false when neither is possible here; passed is check's result.
bool CheckWhileUnreadable(const std::filesystem::path& folder, const std::function<bool()>& check, bool& passed);

// A chain of `depth` nested folders named `name` under root, each holding one file "f" of one byte.
// Made and removed through handles and short relative paths, so it may go past the path-length limit
// of the system (POSIX) or of the plain Win32 functions. Returns the deepest folder's path as UTF-8,
// or an empty text when it cannot be made here.
std::string MakeDeepChain(const std::filesystem::path& root, const std::string& name, int depth);
void RemoveDeepChain(const std::filesystem::path& root, const std::string& name, int depth);

// Such a chain, removed when the object goes. Deepest() is empty when it could not be made.
class TDeepChain {
public:
    TDeepChain(std::filesystem::path root, std::string name, int depth)
        : FRoot(std::move(root)),
          FName(std::move(name)),
          FDepth(depth),
          FDeepest(MakeDeepChain(FRoot, FName, FDepth)) {}
    ~TDeepChain() { RemoveDeepChain(FRoot, FName, FDepth); }
    TDeepChain(const TDeepChain&) = delete;
    TDeepChain& operator=(const TDeepChain&) = delete;
    const std::string& Deepest() const { return FDeepest; }

private:
    std::filesystem::path FRoot;
    std::string FName;
    int FDepth;
    std::string FDeepest;
};

// Files and folders by their exact names, also names that the system's path clean-up would change
// ("a.", "b "): on Windows through the "\\?\" form. relative separates names with '/'; the folders
// above it must exist. RemoveExactTree removes a tree holding such names, which TTempDir cannot do on
// Windows.
bool WriteExactFile(const std::filesystem::path& root, const std::string& relative, std::uint64_t size);
bool MakeExactDir(const std::filesystem::path& root, const std::string& relative);
void RemoveExactTree(const std::filesystem::path& root);

// A symbolic link to a file (under Wine a Unix link made by /bin/ln, which Wine follows).
bool MakeFileLink(const std::filesystem::path& link, const std::filesystem::path& target);

// Mounts a file system of `kib` KiB on an empty folder, so that writing there runs out of space (a
// tmpfs, which needs root; under Wine through /bin/mount). False when that cannot be done here.
bool MountSmallDisk(const std::filesystem::path& folder, int kib);
void UnmountSmallDisk(const std::filesystem::path& folder);

// Runs a program with arguments (each passed as one argument) and waits for it; output receives what
// it wrote to standard output and standard error. Returns its exit status, or -1 when it could not be
// started.
int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& output);

// True when the program runs under Wine.
bool RunningUnderWine();

// Windows builds only. The Unix path Wine maps a Windows path to (empty when there is none), and a Unix
// program started through CreateProcess, as Wine allows, waited for up to ten seconds.
std::string UnixPath(const std::filesystem::path& path);
bool RunUnix(const std::wstring& program, const std::wstring& arguments);

}  // namespace vstest
