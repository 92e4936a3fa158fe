// Private-profile files through the system's profile functions. The wide functions keep a file
// that has no byte-order mark in the ANSI code page, as the settings file is meant to be.
#include <windows.h>

#include "platform/Profile.h"
#include "platform/WinText.h"

std::vector<std::string> ProfileKeyNames(const std::string& path, const std::string& section, std::size_t maxChars) {
    std::vector<std::string> names;
    std::wstring file = Widen(path), name = Widen(section);
    // With no key name the function lists the section's key names, each ended by a zero. When the
    // buffer is too small it cuts the last name and returns size - 2, so the buffer grows until
    // the whole list fits; the limit is then applied to whole names only, as the other backend does.
    std::wstring buffer;
    DWORD n = 0;
    for (std::size_t size = maxChars + 2 > 1024 ? maxChars + 2 : 1024;; size *= 2) {
        buffer.assign(size, L'\0');
        n = ::GetPrivateProfileStringW(name.c_str(), nullptr, L"", buffer.data(), static_cast<DWORD>(size),
                                       file.c_str());
        if (n + 2 < size || size >= (std::size_t{1} << 26)) break;
    }
    const wchar_t* p = buffer.data();
    const wchar_t* end = p + n;
    std::size_t used = 0;
    while (p < end && *p) {
        std::size_t len = wcsnlen(p, static_cast<std::size_t>(end - p));
        std::string key = Narrow(std::wstring_view(p, len));
        // Each name takes its length and a terminating zero; the list ends with one more zero.
        if (used + key.size() + 1 + 1 > maxChars) break;
        used += key.size() + 1;
        names.push_back(std::move(key));
        p += len + 1;
    }
    return names;
}

std::string ProfileReadString(const std::string& path, const std::string& section, const std::string& key,
                              std::size_t maxChars) {
    std::wstring buffer(maxChars + 1, L'\0');
    DWORD n = ::GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), Widen(path).c_str());
    return Narrow(std::wstring_view(buffer.data(), n < maxChars ? n : maxChars));
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return ::WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                        Widen(path).c_str()) != FALSE;
}

bool ProfileWriteSection(const std::string& path, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
    // The section's new body: key=value strings, each ended by a zero, and one more zero.
    std::wstring body;
    for (const auto& [key, value] : entries) {
        body += Widen(key);
        body += L'=';
        body += Widen(value);
        body += L'\0';
    }
    body += L'\0';
    if (entries.empty()) body += L'\0';
    return ::WritePrivateProfileSectionW(Widen(section).c_str(), body.data(), Widen(path).c_str()) != FALSE;
}
