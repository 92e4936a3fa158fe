#include "platform/OutFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Exception.h"

TOutFile::TOutFile(std::string_view path) : FPath(path), FHandle(-1) {
    int fd = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail("Cannot create file", errno);
    FHandle = fd;
    struct stat st;
    FRegular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    FBuffer.reserve(kBufferSize + 4096);
}

TOutFile::~TOutFile() {
    if (FHandle < 0) return;
    CloseHandle();
    if (FRegular) ::unlink(FPath.c_str());
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
    int fd = static_cast<int>(FHandle);
    FHandle = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        if (FRegular) ::unlink(FPath.c_str());
        FRegular = false;
        Fail("Error closing file", error);
    }
}

void TOutFile::CloseHandle() noexcept {
    ::close(static_cast<int>(FHandle));
    FHandle = -1;
}

void TOutFile::Fail(const char* what, int error) {
    throw Exception(std::string(what) + " \"" + FPath + "\". " + std::strerror(error));
}
