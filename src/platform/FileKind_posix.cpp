#include <sys/stat.h>

#include <string>

#include "platform/FileKind.h"

TFileKind FileKindOf(std::string_view path) {
    struct stat st {};
    if (path.empty() || ::stat(std::string(path).c_str(), &st) != 0) return TFileKind::None;
    if (S_ISREG(st.st_mode)) return TFileKind::Regular;
    if (S_ISDIR(st.st_mode)) return TFileKind::Folder;
    return TFileKind::Other;
}
