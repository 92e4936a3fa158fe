#include "platform/LongPath_win.h"

#include <windows.h>

#include "platform/WinText.h"

std::wstring FullPathName(const std::wstring& path) {
    std::wstring full(path.size() + MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return {};
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n + 1);
    }
}

std::wstring LongPath(std::string_view path) {
    std::wstring wide = Widen(path);
    for (auto& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) return wide;
    std::wstring full = FullPathName(wide);
    if (full.empty()) full = wide;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
