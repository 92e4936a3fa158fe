#include "shell/ScanBaseline.h"

#include <algorithm>

#include "platform/DirList.h"
#include "platform/DosWildcard.h"
#include "platform/Exception.h"
#include "shell/SizeText.h"

namespace {

TScanTotals TotalOf(const TScanFolder& f) {
    return f.Has(TScanFolder::kVerified) ? f.Total : TScanTotals{};
}

}  // namespace

TScanBaseline::TScanBaseline(TImportedScan scan) : FScan(std::move(scan)) {
    if (!FScan.Tree) throw Exception("The baseline holds no scan");
}

bool TScanBaseline::Match(std::string_view path, TBaselineFolder& out) const {
    out = TBaselineFolder{};
    const TScanTree& tree = *FScan.Tree;
    const char sep = tree.Separator();
    // The saved root's own separator tells the path rules; a path of the other kind never matches.
    if ((sep == '/') != (!path.empty() && path[0] == '/')) return false;
    std::string key;
    tree.AppendKeyName(key, CanonicalFolder(path, sep));
    if (key.size() < FScan.Key.size() || key.compare(0, FScan.Key.size(), FScan.Key) != 0) return false;
    out.Path = std::string(path);
    out.FFold = sep == '\\';
    const TScanReader reader(tree);
    const TScanFolder* folder = reader.Folder(reader.Find(key));
    if (!folder) return true;  // not there then: everything in it is new
    const TScanFile* files = folder->Files();
    for (std::uint32_t i = 0; i < folder->FileCount; ++i)
        out.Entries.push_back({std::string(folder->FileName(files[i])), false, files[i].Size});
    for (std::uint32_t c = folder->FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling) {
        const TScanFolder& sub = reader.At(c);
        if (sub.Has(TScanFolder::kLink)) continue;
        out.Entries.push_back({std::string(reader.Name(c)), true, TotalOf(sub).Size});
    }
    for (std::size_t i = 0; i < out.Entries.size(); ++i) {
        std::string k;
        if (out.FFold)
            AppendLowerCase(k, out.Entries[i].Name);
        else
            k = out.Entries[i].Name;
        out.FIndex.emplace(std::move(k), i);  // a name saved twice keeps its first entry
    }
    return true;
}

const TBaselineEntry* TBaselineFolder::Find(std::string_view name) const {
    std::string k;
    if (FFold)
        AppendLowerCase(k, name);
    else
        k = name;
    auto it = FIndex.find(k);
    return it == FIndex.end() ? nullptr : &Entries[it->second];
}

std::string ChangeText(std::int64_t change) {
    if (change == 0) return "0KB";
    // |change| fits: both sizes lie in [0, 2^63), so their difference is above INT64_MIN.
    const std::int64_t size = change < 0 ? -change : change;
    return (change < 0 ? "-" : "+") + FormatBytesKB(std::max<std::int64_t>(size, 1024));
}
