#include "platform/DirList.h"

TDirStatus ListDir(std::string_view folder, std::string_view pattern, std::vector<TDirItem>& items,
                   TDirLister& lister) {
    return lister.List(folder, pattern, [&](const TDirEntry& e) {
        items.push_back(TDirItem{std::string(e.Name()), e.Attributes(), e.Size(), e.LastWriteTime()});
        return true;
    });
}

std::string CanonicalFolder(std::string_view path, char separator) {
    std::string in(path);
    std::string out;
    out.reserve(in.size() + 1);
    std::size_t at = 0;
    if (separator == '\\') {
        for (auto& c : in)
            if (c == '/') c = '\\';
        if (in.rfind("\\\\?\\UNC\\", 0) == 0) {
            in.replace(0, 8, "\\\\");
        } else if (in.rfind("\\\\?\\", 0) == 0) {
            in.erase(0, 4);
        }
        if (in.rfind("\\\\", 0) == 0) {  // \\server\share: the leading pair stays
            out = "\\\\";
            at = 2;
        }
    }
    // Component by component: empty ones (doubled separators) and "." drop out.
    while (at <= in.size()) {
        std::size_t end = in.find(separator, at);
        if (end == std::string::npos) end = in.size();
        std::string_view part(in.data() + at, end - at);
        if (!part.empty() && part != ".") {
            out.append(part);
            out += separator;
        } else if (at == 0 && end < in.size() && part.empty()) {
            out += separator;  // the root of an absolute path
        }
        at = end + 1;
    }
    if (out.empty()) out += separator;
    return out;
}
