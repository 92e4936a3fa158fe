#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Exception.h"
#include "platform/InFile.h"

TInFile::TInFile(std::string_view path) : FPath(path), FHandle(-1) {
    const int fd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open file", errno);
    FHandle = fd;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) Fail("Cannot open file", EISDIR);
}

TInFile::~TInFile() {
    if (FHandle >= 0) ::close(static_cast<int>(FHandle));
}

std::size_t TInFile::Read(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(FHandle), buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) Fail("Error reading file", errno);
    }
}

void TInFile::Fail(const char* what, int error) {
    throw Exception(std::string(what) + " \"" + FPath + "\". " + std::strerror(error));
}
