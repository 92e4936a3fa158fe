// POSIX backend of the directory listing: open and the directory read (getdents64 on Linux), with fstatat
// only when an entry's kind is not in the directory read or when its size, time or attributes are asked
// for. Links are never followed.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <string>

#include "platform/DirList.h"
#include "platform/DosWildcard.h"

namespace {

constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in 100-ns ticks since 1601

TDirStatus StatusOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            return TDirStatus::NotFound;
        case ENAMETOOLONG:
            return TDirStatus::TooLong;
        case EACCES:
        case EPERM:
            return TDirStatus::AccessDenied;
        default:
            return TDirStatus::Failed;
    }
}

#ifdef O_PATH
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;  // a folder on the way: search right only
#else
constexpr int kPassFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
constexpr int kListFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens a folder by a path of any length. open() refuses paths of PATH_MAX bytes and more, so a longer
// path is opened in pieces of whole components that fit, each relative to the folder the piece before
// it opened; only one descriptor is held at a time. -1 with errno set on failure.
int OpenFolder(std::string_view path, int flags) {
    if (path.empty()) path = ".";
    if (path.size() < PATH_MAX) return ::open(std::string(path).c_str(), flags);
    int dir = AT_FDCWD;
    std::size_t at = 0;
    if (path[0] == '/') {
        dir = ::open("/", kPassFlags);
        if (dir < 0) return -1;
    }
    std::string piece;
    for (;;) {
        while (at < path.size() && path[at] == '/') ++at;
        std::size_t end = path.size();
        if (end - at >= PATH_MAX) {
            end = path.rfind('/', at + PATH_MAX - 1);
            if (end == std::string_view::npos || end <= at) {  // one name longer than any path
                if (dir != AT_FDCWD) ::close(dir);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        piece.assign(path.substr(at, end - at));
        const bool last = path.find_first_not_of('/', end) == std::string_view::npos;
        int next = ::openat(dir, piece.c_str(), last ? flags : kPassFlags);
        const int error = errno;
        if (dir != AT_FDCWD) ::close(dir);
        if (next < 0 || last) {
            errno = error;
            return next;
        }
        dir = next;
        at = end;
    }
}

// The entry being visited; one object serves the whole listing, reset for each entry.
class TPosixEntry final : public TDirEntry {
public:
    explicit TPosixEntry(int dirFd) : FDirFd(dirFd) {}

    void Reset(const char* name, unsigned char type) {
        FName = name;
        FStatDone = false;
        FStatOk = false;
        FKindKnown = true;
        switch (type) {
            case DT_DIR:
                FDirectory = true, FLink = false;
                break;
            case DT_LNK:
                FLink = true, FDirectory = LinkPointsToFolder();
                break;
            case DT_UNKNOWN:
                FKindKnown = false;
                break;
            default:
                FDirectory = false, FLink = false;
                break;
        }
    }

    std::string_view Name() const override { return FName; }
    bool IsDirectory() const override {
        Kind();
        return FDirectory;
    }
    bool IsReparsePoint() const override {
        Kind();
        return FLink;
    }
    std::uint32_t Attributes() const override {
        Kind();
        std::uint32_t attr = FDirectory ? faDirectory : faArchive;
        if (FLink) attr |= faReparsePoint;
        if (FName[0] == '.') attr |= faHidden;
        if (Stat() && !(FStat.st_mode & S_IWUSR)) attr |= faReadOnly;
        return attr;
    }
    std::int64_t Size() const override {
        if (!Stat() || !S_ISREG(FStat.st_mode)) return 0;
        return static_cast<std::int64_t>(FStat.st_size);
    }
    bool DetailsInListing() const override { return false; }
    std::int64_t LastWriteTime() const override {
        if (!Stat()) return 0;
        return kUnixEpochTicks + static_cast<std::int64_t>(FStat.st_mtim.tv_sec) * 10000000 +
               FStat.st_mtim.tv_nsec / 100;
    }
    bool DetailsRead() const override { return Stat(); }
    // The inode and device come with the entry's metadata, read anyway for its size.
    std::uint64_t LinkId() const override {
        if (!Stat() || !S_ISREG(FStat.st_mode) || FStat.st_nlink < 2) return 0;
        return static_cast<std::uint64_t>(FStat.st_ino);
    }
    std::uint64_t LinkDevice() const override { return LinkId() ? static_cast<std::uint64_t>(FStat.st_dev) : 0; }
    std::uint32_t LinkCount() const override {
        if (!LinkId()) return 1;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(FStat.st_nlink, UINT32_MAX));
    }

private:
    int FDirFd;
    const char* FName = "";
    mutable bool FKindKnown = false, FDirectory = false, FLink = false;
    mutable bool FStatDone = false, FStatOk = false;
    mutable struct stat FStat {};

    bool Stat() const {
        if (!FStatDone) {
            FStatDone = true;
            FStatOk = ::fstatat(FDirFd, FName, &FStat, AT_SYMLINK_NOFOLLOW) == 0;
        }
        return FStatOk;
    }
    bool LinkPointsToFolder() const {
        struct stat target {};
        return ::fstatat(FDirFd, FName, &target, 0) == 0 && S_ISDIR(target.st_mode);
    }
    // File systems that leave d_type empty: read the kind from the entry itself.
    void Kind() const {
        if (FKindKnown) return;
        FKindKnown = true;
        if (!Stat()) {
            FDirectory = FLink = false;
            return;
        }
        FLink = S_ISLNK(FStat.st_mode);
        FDirectory = FLink ? LinkPointsToFolder() : S_ISDIR(FStat.st_mode);
    }
};

class TPosixDirLister final : public TDirLister {
public:
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override {
        int fd = OpenFolder(folder, kListFlags);
        if (fd < 0) return StatusOf(errno);
        // The visitor may throw: the descriptor is closed on every way out.
        struct TCloser {
            int& Fd;
            ~TCloser() {
                if (Fd >= 0) ::close(Fd);
            }
        } closer{fd};
        const TDosWildcard matcher(pattern);
        TPosixEntry entry(fd);
        // Visits one name from the directory read; false ends the listing.
        auto offer = [&](const char* n, unsigned char type) {
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) return true;
            if (!matcher.Matches(n)) return true;
            entry.Reset(n, type);
            return visit(entry);
        };
        TDirStatus status = TDirStatus::Ok;
#ifdef __linux__
        // The raw directory read into a buffer of our own: no DIR object to allocate and none of the
        // checks fdopendir makes, which on a walk of many small folders is a measurable share.
        alignas(8) char buffer[32 * 1024];
        for (bool more = true; more;) {
            ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0) status = errno == ENOTDIR || errno == ENOENT ? TDirStatus::NotFound : TDirStatus::Failed;
                break;
            }
            for (ssize_t at = 0; at < n;) {
                const auto* d = reinterpret_cast<const dirent64*>(buffer + at);
                at += d->d_reclen;
                if (!offer(d->d_name, d->d_type)) {
                    more = false;
                    break;
                }
            }
        }
#else
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
        if (!dir) return StatusOf(errno);
        fd = -1;  // closedir closes it
        for (;;) {
            errno = 0;
            const dirent* d = ::readdir(dir.get());
            if (!d) {
                if (errno != 0) status = TDirStatus::Failed;
                break;
            }
            if (!offer(d->d_name, d->d_type)) break;
        }
#endif
        return status;
    }

    bool FolderExists(std::string_view folder) override {
        if (folder.empty()) return false;
        if (folder.size() < PATH_MAX) {
            std::string path(folder);
            struct stat st {};
            return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        int fd = OpenFolder(folder, kPassFlags);  // O_DIRECTORY: only a folder opens
        if (fd < 0) return false;
        ::close(fd);
        return true;
    }

    char Separator() const override {
        return '/';
    }
    std::string AbsolutePath(std::string_view path) const override {
        if (!path.empty() && path[0] == '/') return std::string(path);
        std::string cwd(256, '\0');
        while (!::getcwd(cwd.data(), cwd.size())) {
            if (errno != ERANGE) return std::string(path);
            cwd.resize(cwd.size() * 2);
        }
        cwd.resize(std::char_traits<char>::length(cwd.c_str()));
        if (cwd.back() != '/') cwd += '/';
        return cwd.append(path);
    }
    bool CaseSensitive() const override {
        return true;
    }
};

}  // namespace

TDirLister& SystemDirLister() {
    static TPosixDirLister lister;
    return lister;
}
