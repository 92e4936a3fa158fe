#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/FileOps.h"

bool MakeFolders(std::string_view path, std::string& reason) {
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    for (std::size_t at = 1; at <= p.size(); ++at) {
        if (at < p.size() && p[at] != '/') continue;
        const std::string part = p.substr(0, at);
        if (::mkdir(part.c_str(), 0777) == 0 || errno == EEXIST) {
            struct stat st;
            if (::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            reason = std::strerror(ENOTDIR);
            return false;
        }
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool RemoveFile(std::string_view path) {
    return ::unlink(std::string(path).c_str()) == 0;
}

std::string UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/voluscope";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share/voluscope";
    return {};
}
