#include "platform/AnsiText.h"

#include <windows.h>

#include <climits>

bool TryUtf8ToAnsi(std::string_view utf8, std::string& ansi) {
    if (IsAsciiText(utf8)) {
        ansi.append(utf8);
        return true;
    }
    if (utf8.size() > INT_MAX / 2) return false;
    const int len = static_cast<int>(utf8.size());
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), len, nullptr, 0);
    if (n <= 0) return false;
    // Valid UTF-8 is already the ANSI text when the code page is UTF-8.
    if (GetACP() == CP_UTF8) {
        ansi.append(utf8);
        return true;
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), len, wide.data(), n);
    BOOL usedDefault = FALSE;
    int m = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0, nullptr, &usedDefault);
    if (m <= 0 || usedDefault) return false;
    const size_t at = ansi.size();
    ansi.resize(at + static_cast<size_t>(m));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, ansi.data() + at, m, nullptr, &usedDefault);
    if (usedDefault) {
        ansi.resize(at);
        return false;
    }
    return true;
}
