// Win32 backend of the directory listing, on the long-path form of the folder with its names kept exactly
// (LongPath_win.h). The folder is opened and read in batches of FILE_ID_BOTH_DIR_INFO records, which carry
// what the find data carries plus each file's id (under Wine, the inode), so hard links can be told apart
// at no extra cost. The pattern is matched in-process against the long name (see DirList.h); a pattern
// that names one entry without wildcards lets FindFirstFileExW find that one entry instead.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/DirList.h"
#include "platform/DosWildcard.h"
#include "platform/LongPath_win.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"

namespace {

TDirStatus StatusOf(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NOT_READY:
        case ERROR_INVALID_DRIVE:
            return TDirStatus::NotFound;
        case ERROR_ACCESS_DENIED:
            return TDirStatus::AccessDenied;
        case ERROR_FILENAME_EXCED_RANGE:
            return TDirStatus::TooLong;
        default:
            return TDirStatus::Failed;
    }
}

// A listed name in UTF-8, converted into a buffer that lives for the whole listing so that no entry
// allocates. False when the name cannot be converted.
class TUtf8Name {
public:
    bool Set(const wchar_t* name, int length) {
        if (FName.size() < static_cast<std::size_t>(length) * 3 + 1) FName.resize(length * 3 + 1);
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, name, length, FName.data(), static_cast<int>(FName.size()),
                                            nullptr, nullptr);
        FLength = n > 0 ? static_cast<std::size_t>(n) : 0;
        return n > 0 || length == 0;
    }
    std::string_view View() const { return std::string_view(FName.data(), FLength); }

private:
    std::string FName;
    std::size_t FLength = 0;
};

// An entry of a folder read in batches: one record of the batch and its name in UTF-8.
class TIdEntry final : public TDirEntry {
public:
    bool Reset(const FILE_ID_BOTH_DIR_INFO& info) {
        FInfo = &info;
        return FName.Set(info.FileName, static_cast<int>(info.FileNameLength / sizeof(wchar_t)));
    }
    std::string_view Name() const override { return FName.View(); }
    bool IsDirectory() const override { return (FInfo->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsReparsePoint() const override { return (FInfo->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    std::uint32_t Attributes() const override { return FInfo->FileAttributes; }
    std::int64_t Size() const override { return IsDirectory() ? 0 : FInfo->EndOfFile.QuadPart; }
    std::int64_t LastWriteTime() const override { return FInfo->LastWriteTime.QuadPart; }
    std::uint64_t FileId() const override {
        return IsDirectory() ? 0 : static_cast<std::uint64_t>(FInfo->FileId.QuadPart);
    }

private:
    const FILE_ID_BOTH_DIR_INFO* FInfo = nullptr;
    TUtf8Name FName;
};

// An entry the finder found: its find data and its name in UTF-8.
class TWinEntry final : public TDirEntry {
public:
    bool Reset(const WIN32_FIND_DATAW& data) {
        FData = &data;
        return FName.Set(data.cFileName, static_cast<int>(wcslen(data.cFileName)));
    }
    std::string_view Name() const override { return FName.View(); }
    bool IsDirectory() const override { return (FData->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsReparsePoint() const override { return (FData->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    std::uint32_t Attributes() const override { return FData->dwFileAttributes; }
    std::int64_t Size() const override {
        if (IsDirectory()) return 0;
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(FData->nFileSizeHigh) << 32) |
                                         FData->nFileSizeLow);
    }
    std::int64_t LastWriteTime() const override {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(FData->ftLastWriteTime.dwHighDateTime) << 32) |
                                         FData->ftLastWriteTime.dwLowDateTime);
    }

private:
    const WIN32_FIND_DATAW* FData = nullptr;
    TUtf8Name FName;
};

class TWinDirLister final : public TDirLister {
public:
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override {
        const TDosWildcard matcher(pattern);
        std::wstring query = LongPath(folder.empty() ? std::string_view(".") : folder);
        if (query.empty() || query.back() != L'\\') query += L'\\';
        if (!matcher.IsLiteral() || pattern.empty()) return ListAll(query, matcher, visit);
        // A pattern without wildcards names one entry: let the system find it, then check the long name.
        query += Widen(pattern);
        return Find(query, matcher, visit);
    }

    // The entries FindFirstFileExW finds for query (a folder and a pattern) whose names match.
    static TDirStatus Find(const std::wstring& query, const TDosWildcard& matcher, TDirVisit visit) {
        WIN32_FIND_DATAW data;
        TFindHandle find(::FindFirstFileExW(query.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                            FIND_FIRST_EX_LARGE_FETCH));
        if (!find) {
            DWORD error = ::GetLastError();
            // No entry at all (a drive root has no "." entries) or no entry of that name: an empty listing.
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return TDirStatus::Ok;
            return StatusOf(error);
        }
        TWinEntry entry;
        do {
            const wchar_t* n = data.cFileName;
            if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
            if (!entry.Reset(data) || !matcher.Matches(entry.Name())) continue;
            if (!visit(entry)) return TDirStatus::Ok;
        } while (::FindNextFileW(find.Get(), &data));
        DWORD error = ::GetLastError();
        return error == ERROR_NO_MORE_FILES ? TDirStatus::Ok : TDirStatus::Failed;
    }

    // Every entry of the folder (path with a trailing separator) whose name matches.
    static TDirStatus ListAll(const std::wstring& path, const TDosWildcard& matcher, TDirVisit visit) {
        THandle<TFileHandleTraits> dir(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!dir) {
            const DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? TDirStatus::NotFound : StatusOf(error);
        }
        // One batch holds a few hundred entries: as many as a large find fetch brings per request.
        constexpr DWORD kBatch = 64 * 1024;
        const std::unique_ptr<LONGLONG[]> buffer(new LONGLONG[kBatch / sizeof(LONGLONG)]);  // 8-byte aligned
        TIdEntry entry;
        for (bool first = true;; first = false) {
            if (!::GetFileInformationByHandleEx(dir.Get(),
                                                first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo,
                                                buffer.get(), kBatch)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_NO_MORE_FILES) return TDirStatus::Ok;  // the end (a drive root may be empty)
                // A file system that cannot list by file id (some network shares and drivers): the finder.
                if (first && (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                              error == ERROR_INVALID_LEVEL || error == ERROR_INVALID_FUNCTION)) {
                    dir.Reset();
                    return Find(path + L"*", matcher, visit);
                }
                // The path names a file, not a folder: opening it worked, reading it as a folder does not.
                BY_HANDLE_FILE_INFORMATION info;
                if (first && ::GetFileInformationByHandle(dir.Get(), &info) &&
                    !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    return TDirStatus::NotFound;
                return StatusOf(error);
            }
            const char* at = reinterpret_cast<const char*>(buffer.get());
            for (;;) {
                const auto& info = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
                const wchar_t* n = info.FileName;
                const std::size_t length = info.FileNameLength / sizeof(wchar_t);
                const bool dots = (length == 1 && n[0] == L'.') || (length == 2 && n[0] == L'.' && n[1] == L'.');
                if (!dots && entry.Reset(info) && matcher.Matches(entry.Name()) && !visit(entry)) return TDirStatus::Ok;
                if (info.NextEntryOffset == 0) break;
                at += info.NextEntryOffset;
            }
        }
    }

    bool FolderExists(std::string_view folder) override {
        std::wstring path = LongPath(folder);
        // "\\?\C:" names the volume device, not its root folder.
        if (path.empty() || path.back() != L'\\') path += L'\\';
        DWORD attr = ::GetFileAttributesW(path.c_str());
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }

    char Separator() const override { return '\\'; }
    std::string AbsolutePath(std::string_view path) const override {
        // A string operation: the folder need not exist, any length works. The names are kept exactly,
        // since the paths given here are mostly built from names a listing gave ("a." is not "a"). A
        // bare "C:" names the drive's root here (the way the folder-size service has always read it),
        // not the drive's current folder.
        std::wstring wide = Widen(path);
        if (wide.size() == 2 && wide[1] == L':') wide += L'\\';
        const std::wstring full = ExactFullPath(wide);
        return full.empty() ? std::string(path) : Narrow(full);
    }
    std::string UserAbsolutePath(std::string_view path) const override {
        std::wstring wide = Widen(path);
        if (wide.size() == 2 && wide[1] == L':') wide += L'\\';
        const std::wstring full = FullPathName(wide);
        return full.empty() ? std::string(path) : Narrow(full);
    }
    bool CaseSensitive() const override { return false; }
};

}  // namespace

TDirLister& SystemDirLister() {
    static TWinDirLister lister;
    return lister;
}
