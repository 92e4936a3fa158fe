#include "platform/DirList.h"

TDirStatus ListDir(std::string_view folder, std::string_view pattern, std::vector<TDirItem>& items,
                   TDirLister& lister) {
    return lister.List(folder, pattern, [&](const TDirEntry& e) {
        items.push_back(TDirItem{std::string(e.Name()), e.Attributes(), e.Size(), e.LastWriteTime()});
        return true;
    });
}
