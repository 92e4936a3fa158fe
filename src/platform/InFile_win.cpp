#include <windows.h>

#include "platform/Exception.h"
#include "platform/InFile.h"
#include "platform/LongPath_win.h"
#include "platform/WinText.h"

TInFile::TInFile(std::string_view path) : FPath(path), FHandle(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)) {
    HANDLE h = ::CreateFileW(UserLongPath(FPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("Cannot open file", static_cast<int>(::GetLastError()));
    FHandle = reinterpret_cast<std::intptr_t>(h);
}

TInFile::~TInFile() {
    HANDLE h = reinterpret_cast<HANDLE>(FHandle);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}

std::size_t TInFile::Read(void* buffer, std::size_t size) {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::ReadFile(reinterpret_cast<HANDLE>(FHandle), buffer, want, &got, nullptr))
        Fail("Error reading file", static_cast<int>(::GetLastError()));
    return got;
}

void TInFile::Fail(const char* what, int error) {
    std::string reason;
    if (!SystemMessageText(static_cast<DWORD>(error), reason)) reason = "Error " + std::to_string(error);
    throw Exception(std::string(what) + " \"" + FPath + "\". " + reason);
}
