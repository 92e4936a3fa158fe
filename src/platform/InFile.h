#pragma once
// A file read from start to end in pieces (a saved scan). Every failure raises an Exception that names
// the file as given and gives the system's reason: "Cannot open file "<path>". <reason>", "Error reading
// file ...".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TInFile {
public:
    explicit TInFile(std::string_view path);
    ~TInFile();
    TInFile(const TInFile&) = delete;
    TInFile& operator=(const TInFile&) = delete;

    // Up to size bytes into buffer; 0 at the end of the file.
    std::size_t Read(void* buffer, std::size_t size);
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::intptr_t FHandle;  // HANDLE or file descriptor
    [[noreturn]] void Fail(const char* what, int error);
};
