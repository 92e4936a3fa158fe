#include "scans/ScanDiff.h"

#include <algorithm>

#include "platform/DosWildcard.h"
#include "platform/Exception.h"

namespace {

// One folder's entries in key order, for the merge.
struct TEntry {
    std::string_view Key;
    std::uint32_t Index;  // a file's index, or a sub-folder's slot
    bool Folder;
};

class TSide {
public:
    TSide(const TScanReader& reader, bool fold) : FReader(reader), FFold(fold) {}
    // The entries of folder f (files and sub-folders that are not links), sorted by key.
    void Load(const TScanFolder& f, std::vector<TEntry>& out) {
        out.clear();
        FKeys.clear();
        // Keys go into FKeys first, then the views are made, since FKeys may move while it grows.
        std::vector<std::pair<std::size_t, std::size_t>> spans;
        const TScanFile* files = f.Files();
        auto add = [&](std::string_view name) {
            const std::size_t at = FKeys.size();
            if (FFold)
                AppendLowerCase(FKeys, name);
            else
                FKeys.append(name);
            spans.emplace_back(at, FKeys.size() - at);
        };
        for (std::uint32_t i = 0; i < f.FileCount; ++i) {
            add(f.FileName(files[i]));
            out.push_back({{}, i, false});
        }
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = FReader.At(c).NextSibling) {
            if (FReader.At(c).Has(TScanFolder::kLink)) continue;
            add(FReader.Name(c));
            out.push_back({{}, c, true});
        }
        for (std::size_t k = 0; k < out.size(); ++k)
            out[k].Key = std::string_view(FKeys).substr(spans[k].first, spans[k].second);
        std::sort(out.begin(), out.end(), [](const TEntry& a, const TEntry& b) {
            return a.Key != b.Key ? a.Key < b.Key : a.Folder < b.Folder;
        });
    }
    std::string FKeys;

private:
    const TScanReader& FReader;
    bool FFold;
};

TScanTotals TotalOf(const TScanFolder& f) {
    return f.Has(TScanFolder::kVerified) ? f.Total : TScanTotals{};
}

}  // namespace

TScanDiff DiffScans(const TScanReader& oldReader, TScanRef oldRoot, const TScanReader& newReader, TScanRef newRoot) {
    const TScanFolder* oldTop = oldReader.Folder(oldRoot);
    const TScanFolder* newTop = newReader.Folder(newRoot);
    if (!oldTop || !newTop) throw Exception("The scan to compare is not held any more");
    TScanDiff diff;
    diff.Old = TotalOf(*oldTop);
    diff.New = TotalOf(*newTop);
    // The old root's path tells its separator and whether its names ignore case.
    const std::string_view oldPath = oldReader.Name(oldRoot.Index);
    diff.Separator = !oldPath.empty() && oldPath[0] == '/' ? '/' : '\\';
    const bool fold = diff.Separator == '\\';

    struct TPair {
        std::uint32_t Old, New;
        std::string Path;  // with a trailing separator, "" for the roots
    };
    std::vector<TPair> stack{{oldRoot.Index, newRoot.Index, {}}};
    TSide oldSide(oldReader, fold), newSide(newReader, fold);
    std::vector<TEntry> a, b;
    auto folderChange = [&](const std::string& path, const TScanTotals& o, const TScanTotals& n, TScanChangeKind kind) {
        TScanChange c;
        c.Path = path;
        c.Folder = true;
        c.Kind = kind;
        c.OldSize = o.Size;
        c.NewSize = n.Size;
        c.OldFiles = o.Files;
        c.NewFiles = n.Files;
        diff.Changes.push_back(std::move(c));
    };
    while (!stack.empty()) {
        TPair pair = std::move(stack.back());
        stack.pop_back();
        const TScanFolder& of = oldReader.At(pair.Old);
        const TScanFolder& nf = newReader.At(pair.New);
        const TScanTotals ot = TotalOf(of), nt = TotalOf(nf);
        if (!pair.Path.empty() && ot.Size != nt.Size) {
            std::string path = pair.Path;
            path.pop_back();
            folderChange(path, ot, nt, nt.Size > ot.Size ? TScanChangeKind::Grown : TScanChangeKind::Shrunk);
        }
        oldSide.Load(of, a);
        newSide.Load(nf, b);
        std::vector<TPair> below;
        auto fileChange = [&](std::string_view name, TScanChangeKind kind, std::int64_t o, std::int64_t n) {
            TScanChange c;
            c.Path = pair.Path;
            c.Path += name;
            c.Kind = kind;
            c.OldSize = o;
            c.NewSize = n;
            c.OldFiles = kind == TScanChangeKind::Added ? 0 : 1;
            c.NewFiles = kind == TScanChangeKind::Removed ? 0 : 1;
            diff.Changes.push_back(std::move(c));
        };
        auto gone = [&](const TEntry& e) {
            if (e.Folder) {
                folderChange(pair.Path + std::string(oldReader.Name(e.Index)), TotalOf(oldReader.At(e.Index)), {},
                             TScanChangeKind::Removed);
            } else {
                const TScanFile& f = of.Files()[e.Index];
                fileChange(of.FileName(f), TScanChangeKind::Removed, f.Size, 0);
            }
        };
        auto came = [&](const TEntry& e) {
            if (e.Folder) {
                folderChange(pair.Path + std::string(newReader.Name(e.Index)), {}, TotalOf(newReader.At(e.Index)),
                             TScanChangeKind::Added);
            } else {
                const TScanFile& f = nf.Files()[e.Index];
                fileChange(nf.FileName(f), TScanChangeKind::Added, 0, f.Size);
            }
        };
        std::size_t i = 0, j = 0;
        while (i < a.size() || j < b.size()) {
            if (j == b.size() ||
                (i < a.size() && (a[i].Key < b[j].Key || (a[i].Key == b[j].Key && a[i].Folder < b[j].Folder)))) {
                gone(a[i++]);
            } else if (i == a.size() || b[j].Key < a[i].Key || a[i].Folder != b[j].Folder) {
                came(b[j++]);
            } else {
                const TEntry& x = a[i++];
                const TEntry& y = b[j++];
                if (x.Folder) {
                    std::string path = pair.Path;
                    path += newReader.Name(y.Index);
                    path += diff.Separator;
                    below.push_back({x.Index, y.Index, std::move(path)});
                } else {
                    const TScanFile& o = of.Files()[x.Index];
                    const TScanFile& n = nf.Files()[y.Index];
                    if (o.Size != n.Size)
                        fileChange(nf.FileName(n), n.Size > o.Size ? TScanChangeKind::Grown : TScanChangeKind::Shrunk,
                                   o.Size, n.Size);
                }
            }
        }
        // Sub-folders go on the stack in reverse, so they come off in name order.
        for (auto it = below.rbegin(); it != below.rend(); ++it) stack.push_back(std::move(*it));
    }
    return diff;
}

const TScanChange* TScanDiff::Find(std::string_view path) const {
    if (FIndex.empty() && !Changes.empty()) {
        FIndex.reserve(Changes.size());
        for (std::size_t i = 0; i < Changes.size(); ++i) FIndex.emplace(Changes[i].Path, i);
    }
    auto it = FIndex.find(path);
    return it == FIndex.end() ? nullptr : &Changes[it->second];
}

std::vector<const TScanChange*> TScanDiff::Largest(std::size_t count, bool growth) const {
    std::vector<const TScanChange*> out;
    for (const TScanChange& c : Changes) {
        const bool leaf = !c.Folder || c.Kind == TScanChangeKind::Added || c.Kind == TScanChangeKind::Removed;
        const bool grows = c.Kind == TScanChangeKind::Added || c.Kind == TScanChangeKind::Grown;
        if (leaf && grows == growth) out.push_back(&c);
    }
    auto larger = [](const TScanChange* x, const TScanChange* y) {
        const std::int64_t ax = x->Change() < 0 ? -x->Change() : x->Change();
        const std::int64_t ay = y->Change() < 0 ? -y->Change() : y->Change();
        return ax != ay ? ax > ay : x->Path < y->Path;
    };
    if (out.size() > count) {
        std::partial_sort(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(count), out.end(), larger);
        out.resize(count);
    } else {
        std::sort(out.begin(), out.end(), larger);
    }
    return out;
}
