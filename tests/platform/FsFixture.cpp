#include "platform/FsFixture.h"

#include <cerrno>
#include <cstdlib>
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
#include <sys/statvfs.h>
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
    // The "\\?\" form reaches past MAX_PATH. Under Wine a shell makes the chain, a level at a time from
    // the one before: Wine looks every level of a long path up again, which takes minutes for a
    // thousand levels.
    if (RunningUnderWine()) {
        const std::string unixRoot = UnixPath(root);
        std::wstring deepest = L"\\\\?\\" + fs::absolute(root).wstring();
        for (int i = 0; i < depth; ++i) deepest += L"\\" + Widen(name);
        const std::wstring script = L"\"cd '" + Widen(unixRoot) + L"' && i=0 && while [ $i -lt " +
                                    std::to_wstring(depth) + L" ]; do mkdir '" + Widen(name) + L"' && cd '" +
                                    Widen(name) + L"' && printf x > f || exit 1; i=$((i+1)); done\"";
        if (unixRoot.empty() || !RunUnix(L"/bin/sh", L"-c " + script) ||
            !WaitFor([&] { return ::GetFileAttributesW((deepest + L"\\f").c_str()) != INVALID_FILE_ATTRIBUTES; }, 1500))
            return {};
        return Narrow(deepest.substr(4));
    }
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
    if (RunningUnderWine()) {
        const std::string unixRoot = UnixPath(root);
        const fs::path top = root / Utf8Path(name);
        if (!unixRoot.empty() && RunUnix(L"/bin/sh", L"-c \"rm -rf '" + Widen(unixRoot + "/" + name) + L"'\""))
            WaitFor([&] { return ::GetFileAttributesW(top.wstring().c_str()) == INVALID_FILE_ATTRIBUTES; });
        return;
    }
    std::wstring path = L"\\\\?\\" + fs::absolute(root).wstring();
    for (int i = 0; i < depth; ++i) path += L"\\" + Widen(name);
    for (int i = depth; i > 0; --i) {
        ::DeleteFileW((path + L"\\f").c_str());
        ::RemoveDirectoryW(path.c_str());
        path.resize(path.find_last_of(L'\\'));
    }
}

namespace {

// The "\\?\" form of root/relative: the system takes every name in it as it is written.
std::wstring ExactPath(const fs::path& root, const std::string& relative) {
    std::wstring path = L"\\\\?\\" + fs::absolute(root).wstring();
    std::wstring rest = Widen(relative);
    for (auto& c : rest)
        if (c == L'/') c = L'\\';
    return rest.empty() ? path : path + L"\\" + rest;
}

void RemoveExactPath(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                RemoveExactPath(child);
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                ::RemoveDirectoryW(child.c_str());
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

std::uint64_t DiskBytes(const fs::path& folder) {
    ULARGE_INTEGER total{};
    std::wstring root = folder.wstring() + L"\\";
    return ::GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr) ? total.QuadPart : 0;
}

// One argument for a command line (the rules CommandLineToArgvW reads back).
std::wstring QuotedArgument(const std::string& arg) {
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : Widen(arg)) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace

bool WriteExactFile(const fs::path& root, const std::string& relative, std::uint64_t size) {
    HANDLE file =
        ::CreateFileW(ExactPath(root, relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const std::string block(64 * 1024, 'x');
    bool ok = true;
    while (ok && size > 0) {
        const DWORD n = static_cast<DWORD>(size < block.size() ? size : block.size());
        DWORD written = 0;
        ok = ::WriteFile(file, block.data(), n, &written, nullptr) && written == n;
        size -= n;
    }
    ::CloseHandle(file);
    return ok;
}

bool MakeExactDir(const fs::path& root, const std::string& relative) {
    return ::CreateDirectoryW(ExactPath(root, relative).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

void RemoveExactTree(const fs::path& root) {
    RemoveExactPath(ExactPath(root, {}));
}

bool MakeFileLink(const fs::path& link, const fs::path& target) {
    if (RunningUnderWine()) {
        const std::string unixTarget = UnixPath(target), unixParent = UnixPath(link.parent_path());
        if (unixTarget.empty() || unixParent.empty()) return false;
        const std::string unixLink = unixParent + "/" + PathUtf8(link.filename());
        if (!RunUnix(L"/bin/ln", L"-s " + Quoted(unixTarget) + L" " + Quoted(unixLink))) return false;
        return WaitFor([&] { return ::GetFileAttributesW(link.wstring().c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    return ::CreateSymbolicLinkW(link.wstring().c_str(), target.wstring().c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

bool MountSmallDisk(const fs::path& folder, int kib) {
    const std::string unixFolder = UnixPath(folder);
    if (!RunningUnderWine() || unixFolder.empty()) return false;
    const std::wstring size = L"size=" + std::to_wstring(kib) + L"k";
    if (!RunUnix(L"/bin/mount", L"-t tmpfs -o " + size + L" tmpfs " + Quoted(unixFolder))) return false;
    const std::uint64_t limit = static_cast<std::uint64_t>(kib) * 1024;
    return WaitFor([&] { return DiskBytes(folder) != 0 && DiskBytes(folder) <= limit; }, 100);
}

void UnmountSmallDisk(const fs::path& folder) {
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty()) return;
    // The server may still hold the folder open for a moment after a program ends: try again, and at
    // last detach the file system lazily.
    const std::uint64_t before = DiskBytes(folder);
    for (int attempt = 0; attempt < 6; ++attempt) {
        const std::wstring options = attempt < 5 ? L"" : L"-l ";
        if (RunUnix(L"/bin/umount", options + Quoted(unixFolder)) &&
            WaitFor([&] { return DiskBytes(folder) != before; }, 25))
            return;
    }
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) return -1;
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = write;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = QuotedArgument(program);
    for (const std::string& a : args) command += L" " + QuotedArgument(a);
    PROCESS_INFORMATION pi{};
    const std::wstring exe = Widen(program);
    if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ::CloseHandle(read), ::CloseHandle(write);
        return -1;
    }
    ::CloseHandle(write);
    output.clear();
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n) output.append(buffer, n);
    ::WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread), ::CloseHandle(pi.hProcess), ::CloseHandle(read);
    return static_cast<int>(code);
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

bool WriteExactFile(const fs::path& root, const std::string& relative, std::uint64_t size) {
    std::ofstream out(root / relative, std::ios::binary | std::ios::trunc);
    const std::string block(64 * 1024, 'x');
    while (out && size > 0) {
        const std::size_t n = size < block.size() ? static_cast<std::size_t>(size) : block.size();
        out.write(block.data(), static_cast<std::streamsize>(n));
        size -= n;
    }
    return static_cast<bool>(out);
}

bool MakeExactDir(const fs::path& root, const std::string& relative) {
    std::error_code ec;
    fs::create_directory(root / relative, ec);
    return fs::is_directory(root / relative, ec);
}

void RemoveExactTree(const fs::path& root) {
    std::error_code ec;
    fs::remove_all(root, ec);
}

bool MakeFileLink(const fs::path& link, const fs::path& target) {
    std::error_code ec;
    fs::create_symlink(target, link, ec);
    return !ec;
}

bool MountSmallDisk(const fs::path& folder, int kib) {
    if (::geteuid() != 0) return false;
    const std::string command =
        "mount -t tmpfs -o size=" + std::to_string(kib) + "k tmpfs '" + folder.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return false;
    struct statvfs st;
    if (::statvfs(folder.c_str(), &st) == 0 && st.f_blocks * st.f_frsize <= static_cast<std::uint64_t>(kib) * 1024)
        return true;
    UnmountSmallDisk(folder);
    return false;
}

void UnmountSmallDisk(const fs::path& folder) {
    for (int attempt = 0; attempt < 6; ++attempt) {
        const std::string command =
            std::string("umount ") + (attempt < 5 ? "" : "-l ") + "'" + folder.string() + "' 2>/dev/null";
        if (std::system(command.c_str()) == 0) return;
        ::usleep(100000);
    }
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, std::string& output) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    output.clear();
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
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
