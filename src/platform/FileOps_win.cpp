#include <windows.h>

#include "platform/FileOps.h"
#include "platform/LongPath_win.h"
#include "platform/WinText.h"

bool MakeFolders(std::string_view path, std::string& reason) {
    std::string p(path);
    for (char& c : p)
        if (c == '/') c = '\\';
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    // Each folder from the top, skipping the drive ("C:") and a network share's server and share names.
    std::size_t start = 0;
    if (p.rfind("\\\\", 0) == 0) {
        const std::size_t server = p.find('\\', 2);
        start = server == std::string::npos ? p.size() : p.find('\\', server + 1);
        if (start == std::string::npos) start = p.size();
    } else if (p.size() >= 2 && p[1] == ':') {
        start = 2;
    }
    for (std::size_t at = start + 1; at <= p.size(); ++at) {
        if (at < p.size() && p[at] != '\\') continue;
        const std::wstring part = LongPath(p.substr(0, at));
        if (::CreateDirectoryW(part.c_str(), nullptr)) continue;
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(part.c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;  // a drive's root, or a folder above that may not be written
        if (!SystemMessageText(error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error, reason))
            reason = "Error " + std::to_string(error);
        return false;
    }
    return true;
}

bool RemoveFile(std::string_view path) {
    return ::DeleteFileW(LongPath(path).c_str()) != 0;
}

std::string UserDataFolder() {
    wchar_t buffer[32768];
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 32768);
    if (n == 0 || n >= 32768) return {};
    return Narrow(std::wstring(buffer, n)) + "\\Voluscope";
}
