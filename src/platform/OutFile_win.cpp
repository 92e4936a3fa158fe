#include "platform/OutFile.h"

#include <windows.h>

#include <algorithm>

#include "platform/Exception.h"
#include "platform/LongPath_win.h"
#include "platform/WinText.h"

namespace {

// The system's text without its closing full stop, which the caller's message supplies.
std::string SystemMessage(DWORD error) {
    std::string message;
    if (!SystemMessageText(error, message)) return "Error " + std::to_string(error);
    while (!message.empty() &&
           (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

TOutFile::TOutFile(std::string_view path)
    : FPath(path), FHandle(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)) {
    HANDLE h = CreateFileW(LongPath(FPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Cannot create file", static_cast<int>(GetLastError()));
    FHandle = reinterpret_cast<std::intptr_t>(h);
    FRegular = GetFileType(h) == FILE_TYPE_DISK;
    FBuffer.reserve(kBufferSize + 4096);
}

TOutFile::~TOutFile() {
    if (H(FHandle) == INVALID_HANDLE_VALUE) return;
    CloseHandle();
    if (FRegular) DeleteFileW(LongPath(FPath).c_str());
}

void TOutFile::Flush() {
    std::size_t done = 0;
    while (done < FBuffer.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(FBuffer.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(H(FHandle), FBuffer.data() + done, chunk, &written, nullptr))
            Fail("Error writing file", static_cast<int>(GetLastError()));
        if (written == 0) Fail("Error writing file", ERROR_DISK_FULL);
        done += written;
    }
    FBuffer.clear();
}

void TOutFile::Close() {
    if (H(FHandle) == INVALID_HANDLE_VALUE) return;
    Flush();
    HANDLE h = H(FHandle);
    FHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    if (!::CloseHandle(h)) {
        const DWORD error = GetLastError();
        if (FRegular) DeleteFileW(LongPath(FPath).c_str());
        FRegular = false;
        Fail("Error closing file", static_cast<int>(error));
    }
}

void TOutFile::CloseHandle() noexcept {
    ::CloseHandle(H(FHandle));
    FHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

void TOutFile::Fail(const char* what, int error) {
    throw Exception(std::string(what) + " \"" + FPath + "\". " + SystemMessage(static_cast<DWORD>(error)));
}
