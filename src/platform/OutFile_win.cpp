#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/Exception.h"
#include "platform/LongPath_win.h"
#include "platform/OutFile.h"
#include "platform/WinHandle.h"
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

HANDLE H(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
std::intptr_t Stored(HANDLE h) {
    return reinterpret_cast<std::intptr_t>(h);
}

// The path of an open file with every link followed, in long-path form; empty when the system cannot say.
std::wstring FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n + 1);
    }
}

// A name for the temporary file that no other writer in this or another process picks.
std::wstring TempName(const std::wstring& folder) {
    static std::atomic<unsigned> counter{0};
    return folder + L"\\~vs" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
}

}  // namespace

TOutFile::TOutFile(std::string_view path) : FPath(path), FHandle(Stored(INVALID_HANDLE_VALUE)) {
    // The target is a path the user named. Opening what is there now, the way writing it in place would,
    // refuses a folder, a read-only file and a file another program holds, as before; it also follows
    // a link to the file it names.
    const std::wstring target = UserLongPath(FPath);
    std::wstring replaced = target;
    {
        TFileHandle existing(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!existing) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_NOT_FOUND) Fail("Cannot create file", static_cast<int>(error));
        } else if (::GetFileType(existing.Get()) != FILE_TYPE_DISK) {
            // A device or pipe is written in place.
            FHandle = Stored(existing.Release());
            FBuffer.reserve(kBufferSize + 4096);
            return;
        } else if (std::wstring final = FinalPath(existing.Get()); !final.empty()) {
            replaced = std::move(final);
        }
    }
    FTarget = Narrow(replaced);
    const std::wstring folder = replaced.substr(0, replaced.find_last_of(L'\\'));
    for (int attempt = 0; H(FHandle) == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring temp = TempName(folder);
        HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            FHandle = Stored(h);
            FTemp = Narrow(temp);
        } else if (const DWORD error = ::GetLastError();
                   (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 100) {
            Fail("Cannot create file", static_cast<int>(error));
        }
    }
    FBuffer.reserve(kBufferSize + 4096);
}

TOutFile::~TOutFile() {
    if (H(FHandle) != INVALID_HANDLE_VALUE) CloseHandle();
    RemoveTemp();
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
    // On the disk before it takes the target's place: a crash then leaves the old file or the new one.
    if (!FTemp.empty() && !::FlushFileBuffers(H(FHandle))) Fail("Error writing file", static_cast<int>(GetLastError()));
    HANDLE h = H(FHandle);
    FHandle = Stored(INVALID_HANDLE_VALUE);
    if (!::CloseHandle(h)) Fail("Error closing file", static_cast<int>(GetLastError()));
    if (FTemp.empty()) return;
    if (!::MoveFileExW(Widen(FTemp).c_str(), Widen(FTarget).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Fail("Cannot replace file", static_cast<int>(GetLastError()));
    FTemp.clear();
}

void TOutFile::CloseHandle() noexcept {
    ::CloseHandle(H(FHandle));
    FHandle = Stored(INVALID_HANDLE_VALUE);
}

void TOutFile::RemoveTemp() noexcept {
    if (!FTemp.empty()) ::DeleteFileW(Widen(FTemp).c_str());
    FTemp.clear();
}

void TOutFile::Fail(const char* what, int error) {
    Exception failure(std::string(what) + " \"" + FPath + "\". " + SystemMessage(static_cast<DWORD>(error)));
    if (H(FHandle) != INVALID_HANDLE_VALUE) CloseHandle();
    RemoveTemp();
    throw failure;
}
