#pragma once
// A file written from start to end through a buffer, which replaces its target only once it is whole.
// The text goes into a temporary file beside the target; Close writes it through to the disk and then
// renames it over the target in one step. Until then the target is not touched, so a failure (a full
// disk, a write error, an exception elsewhere before Close) leaves an earlier file as it was, and the
// temporary file is removed when the object goes.
//
// A target that is a symbolic link: the file the link leads to is replaced and the link stays, so a
// link that puts the report somewhere else keeps doing so. A target that is not a regular file (a
// device such as NUL or /dev/null, a pipe) is written in place and never removed.
//
// Every failure raises an Exception whose message names the target as given and gives the system's
// reason: "Cannot create file "<path>". <reason>" (also for a folder, a missing folder, or a file that
// may not be written), "Error writing file ...", "Error closing file ...", "Cannot replace file ...".
#include <cstdint>
#include <string>
#include <string_view>

class TOutFile {
public:
    // Opens the temporary file (or the device) to write; the target stays as it is.
    explicit TOutFile(std::string_view path);
    ~TOutFile();
    TOutFile(const TOutFile&) = delete;
    TOutFile& operator=(const TOutFile&) = delete;

    void Write(std::string_view text) {
        FBuffer.append(text);
        if (FBuffer.size() >= kBufferSize) Flush();
    }
    // Writes what is buffered, closes the file and puts it in the target's place.
    void Close();
    const std::string& Path() const { return FPath; }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;
    std::string FPath;    // the target as given, for messages
    std::string FTarget;  // the file replaced at Close: the target with its links followed
    std::string FTemp;    // the temporary file while it exists; empty when a device is written in place
    std::string FBuffer;
    std::intptr_t FHandle;  // HANDLE or file descriptor
    void Flush();
    void CloseHandle() noexcept;
    void RemoveTemp() noexcept;
    [[noreturn]] void Fail(const char* what, int error);
};
