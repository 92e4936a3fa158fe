#include <windows.h>

#include <cwctype>
#include <string>

#include "platform/FileKind.h"
#include "platform/LongPath_win.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"

namespace {

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ and CONOUT$ name devices in every folder, with
// any extension ("nul.txt") and trailing blanks.
bool IsDosDeviceName(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    std::wstring upper(name);
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" || upper == L"CONIN$" ||
        upper == L"CONOUT$")
        return true;
    return upper.size() == 4 && (upper.rfind(L"COM", 0) == 0 || upper.rfind(L"LPT", 0) == 0) && upper[3] >= L'1' &&
           upper[3] <= L'9';
}

}  // namespace

TFileKind FileKindOf(std::string_view path) {
    const std::wstring wide = Widen(path);
    if (wide.empty()) return TFileKind::None;
    // "\\.\pipe\name", "\\.\COM1": the device namespace (opening a pipe would connect to it).
    if (wide.rfind(L"\\\\.\\", 0) == 0 || wide.rfind(L"//./", 0) == 0 || IsDosDeviceName(wide)) return TFileKind::Other;
    // Opened for no access at all, which neither reads nor waits (Wine shows a Unix pipe this way too).
    const TFileHandle file(::CreateFileW(LongPath(path).c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return TFileKind::None;
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return TFileKind::Other;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return TFileKind::Regular;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TFileKind::Folder : TFileKind::Regular;
}
