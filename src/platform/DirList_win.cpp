// Win32 backend of the directory listing: FindFirstFileExW on the long-path form of the folder, its names
// kept exactly (LongPath_win.h). The pattern is matched in-process against the long name (see DirList.h),
// so the system is asked for every entry unless the pattern names one entry without wildcards.
#include <windows.h>

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

// The entry being visited: the find data and its name in UTF-8, converted into a buffer that lives for
// the whole listing so that no entry allocates.
class TWinEntry final : public TDirEntry {
public:
    bool Reset(const WIN32_FIND_DATAW& data) {
        FData = &data;
        int length = static_cast<int>(wcslen(data.cFileName));
        if (FName.size() < static_cast<std::size_t>(length) * 3 + 1) FName.resize(length * 3 + 1);
        int n = ::WideCharToMultiByte(CP_UTF8, 0, data.cFileName, length, FName.data(), static_cast<int>(FName.size()),
                                      nullptr, nullptr);
        FLength = n > 0 ? static_cast<std::size_t>(n) : 0;
        return n > 0 || length == 0;
    }
    std::string_view Name() const override { return std::string_view(FName.data(), FLength); }
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
    std::string FName;
    std::size_t FLength = 0;
};

class TWinDirLister final : public TDirLister {
public:
    TDirStatus List(std::string_view folder, std::string_view pattern, TDirVisit visit) override {
        const TDosWildcard matcher(pattern);
        std::wstring query = LongPath(folder.empty() ? std::string_view(".") : folder);
        if (query.empty() || query.back() != L'\\') query += L'\\';
        // A pattern without wildcards names one entry: let the system find it, then check the long name.
        if (matcher.IsLiteral() && !pattern.empty())
            query += Widen(pattern);
        else
            query += L'*';

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
