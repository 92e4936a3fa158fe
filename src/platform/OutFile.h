#pragma once
// A file written from start to end through a buffer. Every failure (create, write, close) raises an
// Exception whose message names the file and gives the system's reason. A file that was created here
// but not closed with Close (a failure, or an exception elsewhere) is removed when the object goes, so
// a failed write leaves no partial file behind; a device or other non-regular target is never removed.
#include <cstdint>
#include <string>
#include <string_view>

class TOutFile {
public:
    // Creates the file, replacing an existing one.
    explicit TOutFile(std::string_view path);
    ~TOutFile();
    TOutFile(const TOutFile&) = delete;
    TOutFile& operator=(const TOutFile&) = delete;

    void Write(std::string_view text) {
        FBuffer.append(text);
        if (FBuffer.size() >= kBufferSize) Flush();
    }
    // Writes what is buffered and closes the file; the file stays.
    void Close();
    const std::string& Path() const { return FPath; }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;
    std::string FPath;
    std::string FBuffer;
    std::intptr_t FHandle;  // HANDLE or file descriptor
    bool FRegular = false;  // a regular file that this object created or replaced
    void Flush();
    void CloseHandle() noexcept;
    [[noreturn]] void Fail(const char* what, int error);
};
