#include "app/UserPath.h"

#include "platform/DirList.h"

bool UserFolderPath(std::string_view typed, TDirLister& lister, std::string& folder) {
    if (typed.empty()) return false;
    const char sep = lister.Separator();
    std::string path = CanonicalFolder(lister.UserAbsolutePath(typed), sep);
    // One trailing separator from the canonical form; a root keeps it ("C:\" names the root, "C:" the
    // drive's current folder).
    const bool root = path.size() == 1 || (sep == '\\' && path.size() == 3 && path[1] == ':');
    if (!root) path.pop_back();
    if (!lister.FolderExists(path)) return false;
    folder = std::move(path);
    return true;
}

std::string InvalidFolderText(std::string_view typed) {
    return "Invalid folder. \"" + std::string(typed) + "\" is not a folder.";
}
