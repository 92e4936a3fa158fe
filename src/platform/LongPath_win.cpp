#include "platform/LongPath_win.h"

#include <windows.h>

#include "platform/WinText.h"

std::wstring LongPath(std::string_view path) {
    std::wstring wide = Widen(path);
    for (auto& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) return wide;
    // GetFullPathNameW is a string operation: it resolves "." and ".." and relative paths at any length.
    std::wstring full(wide.size() + MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) {
            full = wide;
            break;
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n + 1);
    }
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
