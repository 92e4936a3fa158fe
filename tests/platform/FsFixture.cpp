#include "platform/FsFixture.h"

#include <fstream>
#include <system_error>

#include "platform/DirList.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WinText.h"
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace vstest {

bool MakeSparseFile(const fs::path& file, std::uint64_t size) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    { std::ofstream out(file, std::ios::binary | std::ios::trunc); }
    fs::resize_file(file, size, ec);
    return !ec && fs::file_size(file, ec) == size;
}

#ifdef _WIN32

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The Unix path Wine maps a Windows path to.
std::string UnixPath(const fs::path& path) {
    using TGetUnixName = char*(__cdecl*)(const wchar_t*);
    auto get = reinterpret_cast<TGetUnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!get) return {};
    char* name = get(path.wstring().c_str());
    if (!name) return {};
    std::string out = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return out;
}

// Wine starts Unix programs through CreateProcess.
bool RunUnix(const std::wstring& program, const std::wstring& arguments) {
    std::wstring command = program + L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

namespace {

std::wstring Quoted(const std::string& s) {
    return L"\"" + Widen(s) + L"\"";
}

// Wine does not wait for a Unix child, so wait for its result to show.
template <typename F>
bool WaitFor(F done, int tries = 250) {
    for (int i = 0; i < tries; ++i) {
        if (done()) return true;
        ::Sleep(20);
    }
    return false;
}

}  // namespace

bool MakeFolderLink(const fs::path& link, const fs::path& target) {
    std::error_code ec;
    if (RunningUnderWine()) {
        std::string unixTarget = UnixPath(target);
        std::string unixParent = UnixPath(link.parent_path());
        if (unixTarget.empty() || unixParent.empty()) return false;
        std::string unixLink = unixParent + "/" + PathUtf8(link.filename());
        if (!RunUnix(L"/bin/ln", L"-s " + Quoted(unixTarget) + L" " + Quoted(unixLink))) return false;
        return WaitFor([&] { return ::GetFileAttributesW(link.wstring().c_str()) != INVALID_FILE_ATTRIBUTES; });
    } else {
        if (!::CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(),
                                   SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
            return false;
    }
    return fs::exists(fs::symlink_status(link, ec));
}

bool RemoveFolderLink(const fs::path& link) {
    if (RunningUnderWine()) {
        std::string unixParent = UnixPath(link.parent_path());
        if (unixParent.empty()) return false;
        if (!RunUnix(L"/bin/rm", L"-f " + Quoted(unixParent + "/" + PathUtf8(link.filename())))) return false;
        return WaitFor([&] { return ::GetFileAttributesW(link.wstring().c_str()) == INVALID_FILE_ATTRIBUTES; });
    }
    return ::RemoveDirectoryW(link.wstring().c_str()) != 0;
}

bool MakeUnreadable(const fs::path& folder) {
    if (RunningUnderWine()) {
        std::string unixFolder = UnixPath(folder);
        if (unixFolder.empty() || !RunUnix(L"/bin/chmod", L"000 " + Quoted(unixFolder))) return false;
    } else {
        return false;  // an access-control list would be needed; not worth it here
    }
    const bool denied = WaitFor(
        [&] {
            std::vector<TDirItem> items;
            return ListDir(PathUtf8(folder), "*", items) == TDirStatus::AccessDenied;
        },
        50);
    if (!denied) MakeReadable(folder);
    return denied;
}

bool CheckUnprivileged(const fs::path&, const std::function<bool()>&, bool&) {
    return false;
}

std::string MakeDeepChain(const fs::path& root, const std::string& name, int depth) {
    std::error_code ec;
    fs::create_directories(root, ec);
    // The "\\?\" form reaches past MAX_PATH.
    std::wstring path = L"\\\\?\\" + fs::absolute(root).wstring();
    const std::wstring wideName = L"\\" + Widen(name);
    for (int i = 0; i < depth; ++i) {
        path += wideName;
        if (!::CreateDirectoryW(path.c_str(), nullptr)) return {};
        HANDLE file = ::CreateFileW((path + L"\\f").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        DWORD written = 0;
        ::WriteFile(file, "x", 1, &written, nullptr);
        ::CloseHandle(file);
    }
    return Narrow(path.substr(4));
}

void RemoveDeepChain(const fs::path& root, const std::string& name, int depth) {
    std::wstring path = L"\\\\?\\" + fs::absolute(root).wstring();
    for (int i = 0; i < depth; ++i) path += L"\\" + Widen(name);
    for (int i = depth; i > 0; --i) {
        ::DeleteFileW((path + L"\\f").c_str());
        ::RemoveDirectoryW(path.c_str());
        path.resize(path.find_last_of(L'\\'));
    }
}

void MakeReadable(const fs::path& folder) {
    if (RunningUnderWine()) {
        std::string unixFolder = UnixPath(folder);
        if (!unixFolder.empty() && RunUnix(L"/bin/chmod", L"755 " + Quoted(unixFolder))) ::Sleep(200);
    }
}

#else

bool RunningUnderWine() {
    return false;
}

bool RemoveFolderLink(const fs::path& link) {
    std::error_code ec;
    return fs::remove(link, ec);
}

bool MakeFolderLink(const fs::path& link, const fs::path& target) {
    std::error_code ec;
    fs::create_directory_symlink(target, link, ec);
    return !ec;
}

bool MakeUnreadable(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::none, ec);
    if (ec) return false;
    std::vector<TDirItem> items;
    if (ListDir(PathUtf8(folder), "*", items) == TDirStatus::AccessDenied) return true;
    MakeReadable(folder);
    return false;
}

std::string MakeDeepChain(const fs::path& root, const std::string& name, int depth) {
    std::error_code ec;
    fs::create_directories(root, ec);
    int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string path = PathUtf8(fs::absolute(root));
    for (int i = 0; i < depth && dir >= 0; ++i) {
        ::mkdirat(dir, name.c_str(), 0755);
        int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
        if (dir < 0) break;
        int file = ::openat(dir, "f", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file < 0 || ::write(file, "x", 1) != 1) depth = -1;
        if (file >= 0) ::close(file);
        path += "/" + name;
    }
    if (dir < 0 || depth < 0) return {};
    ::close(dir);
    return path;
}

void RemoveDeepChain(const fs::path& root, const std::string& name, int depth) {
    // From the top, with short paths only: take the chain's second level up beside the first, remove the
    // first, and give the second its place.
    int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    const std::string child = name + "/" + name, file = name + "/f", spare = name + ".next";
    for (int i = 0; i < depth; ++i) {
        ::unlinkat(dir, file.c_str(), 0);
        if (::renameat(dir, child.c_str(), dir, spare.c_str()) != 0) {
            ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
            break;
        }
        ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
        ::renameat(dir, spare.c_str(), dir, name.c_str());
    }
    ::close(dir);
}

void MakeReadable(const fs::path& folder) {
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, ec);
}

bool CheckUnprivileged(const fs::path& folder, const std::function<bool()>& check, bool& passed) {
    if (::geteuid() != 0) return false;
    std::error_code ec;
    const auto before = fs::status(folder, ec).permissions();
    fs::permissions(folder, fs::perms::none, ec);
    if (ec) return false;
    const std::string parent = folder.parent_path().string();
    pid_t child = ::fork();
    if (child == 0) {
        // As "nobody": root's capabilities go with the user.
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        if (::access(parent.c_str(), R_OK | X_OK) != 0) ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    const bool ran = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) < 2;
    fs::permissions(folder, before, ec);
    passed = ran && WEXITSTATUS(status) == 0;
    return ran;
}

#endif

bool CheckWhileUnreadable(const fs::path& folder, const std::function<bool()>& check, bool& passed) {
    if (MakeUnreadable(folder)) {
        passed = check();
        MakeReadable(folder);
        return true;
    }
    return CheckUnprivileged(folder, check, passed);
}

}  // namespace vstest
