#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/Exception.h"
#include "platform/OutFile.h"

namespace {

// The file a path leads to, its symbolic links followed, also a link to a file not made yet (so the
// new file goes where the link points). False with the reason in error when the links go round.
bool FollowLinks(std::string& path, int& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            error = errno;
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        if (link.empty() || link[0] != '/') {
            const std::size_t slash = path.rfind('/');
            link.insert(0, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
        }
        path = std::move(link);
    }
    error = ELOOP;
    return false;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name for the temporary file that no other writer in this or another process picks.
std::string TempName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    return folder + "/.~vs" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

}  // namespace

TOutFile::TOutFile(std::string_view path) : FPath(path), FTarget(path), FHandle(-1) {
    int error = 0;
    if (!FollowLinks(FTarget, error)) Fail("Cannot create file", error);
    struct stat st;
    const bool exists = ::stat(FTarget.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) Fail("Cannot create file", EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(FTarget.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) Fail("Cannot create file", errno);
        FHandle = fd;
    } else {
        // A file that could not be written in place is refused as before, although the rename could
        // replace it.
        if (exists) {
            const int fd = ::open(FTarget.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) Fail("Cannot create file", errno);
            ::close(fd);
        }
        const std::string folder = FolderOf(FTarget);
        int fd = -1;
        for (int attempt = 0; fd < 0; ++attempt) {
            std::string temp = TempName(folder);
            fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                FTemp = std::move(temp);
            } else if (errno != EEXIST || attempt == 100) {
                Fail("Cannot create file", errno);
            }
        }
        FHandle = fd;
        // The new file keeps the old one's permissions and, where allowed, its owner.
        if (exists) {
            ::fchmod(fd, st.st_mode & 07777);
            if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
                // Not ours to give away: the new file belongs to this user.
            }
        }
    }
    FBuffer.reserve(kBufferSize + 4096);
}

TOutFile::~TOutFile() {
    if (FHandle >= 0) CloseHandle();
    RemoveTemp();
}

void TOutFile::Flush() {
    std::size_t done = 0;
    while (done < FBuffer.size()) {
        ssize_t n = ::write(static_cast<int>(FHandle), FBuffer.data() + done, FBuffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("Error writing file", n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    FBuffer.clear();
}

void TOutFile::Close() {
    if (FHandle < 0) return;
    Flush();
    // On the disk before it takes the target's place: a crash then leaves the old file or the new one.
    if (!FTemp.empty() && ::fsync(static_cast<int>(FHandle)) != 0) Fail("Error writing file", errno);
    const int fd = static_cast<int>(FHandle);
    FHandle = -1;
    if (::close(fd) != 0) Fail("Error closing file", errno);
    if (FTemp.empty()) return;
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0) Fail("Cannot replace file", errno);
    FTemp.clear();
    // The rename itself on the disk too; a folder that cannot be synced only loses that.
    const int folder = ::open(FolderOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void TOutFile::CloseHandle() noexcept {
    ::close(static_cast<int>(FHandle));
    FHandle = -1;
}

void TOutFile::RemoveTemp() noexcept {
    if (!FTemp.empty()) ::unlink(FTemp.c_str());
    FTemp.clear();
}

void TOutFile::Fail(const char* what, int error) {
    // The message is made before the clean-up, which may change errno's value.
    Exception failure(std::string(what) + " \"" + FPath + "\". " + std::strerror(error));
    if (FHandle >= 0) CloseHandle();
    RemoveTemp();
    throw failure;
}
