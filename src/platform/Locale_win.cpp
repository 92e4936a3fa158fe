#include "platform/Locale.h"

#include <windows.h>

#include <climits>

#include "platform/WinText.h"

namespace {

std::string MapCase(std::string_view utf8, DWORD flag) {
    if (utf8.empty()) return {};
    // Invalid UTF-8 would be replaced by U+FFFD on the way through UTF-16; keep such text as it is.
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0) ==
        0)
        return std::string(utf8);
    std::wstring w = Widen(utf8);
    if (w.size() > INT_MAX) return std::string(utf8);
    LCMapStringW(LOCALE_USER_DEFAULT, flag, w.data(), static_cast<int>(w.size()), w.data(), static_cast<int>(w.size()));
    return Narrow(w);
}

}  // namespace

std::string UpperCaseLocale(std::string_view utf8) { return MapCase(utf8, LCMAP_UPPERCASE); }
std::string LowerCaseLocale(std::string_view utf8) { return MapCase(utf8, LCMAP_LOWERCASE); }
