#include "reports/TreeWalker.h"

#include <charconv>
#include <unordered_map>
#include <vector>

#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/DosWildcard.h"
#include "platform/Exception.h"
#include "platform/Locale.h"

std::string ReportAttributeLetters(std::uint32_t attributes) {
    static constexpr char kLetters[] = "RHSVDA";
    std::string out;
    for (int bit = 0; bit < 6; ++bit)
        if (attributes & (1u << bit)) out += kLetters[bit];
    return out;
}

std::string FileExtensionKey(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return LowerCaseLocale(name.substr(dot));
}

namespace {

bool SameCaption(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

class TReportWalker {
public:
    TReportWalker(TFileRows& rows, const TCollectOptions& options)
        : FRows(rows), FOptions(options), FLister(options.Lister ? *options.Lister : SystemDirLister()) {
        PlaceValues();
    }

    void Walk(const std::string& start, const std::string& mask, bool recurse) {
        if (!recurse) {
            if (FOptions.OnFolder) FOptions.OnFolder(start);
            FLister.List(start, mask, [&](const TDirEntry& e) {
                if (!e.IsDirectory()) AddRow(start, e);
                return true;
            });
            return;
        }
        // One listing per folder serves both the rows and the sub-folders, so the mask is matched here
        // with the listers' own matcher: the whole mask is one pattern, as List(folder, mask) takes it.
        const TDosWildcard matcher(mask);
        const char sep = FLister.Separator();
        // Pre-order, depth first: the stack holds folders still to read, the next one on top.
        std::vector<std::string> pending{start};
        std::vector<std::string> children;
        while (!pending.empty()) {
            std::string folder = std::move(pending.back());
            pending.pop_back();
            if (FOptions.OnFolder) FOptions.OnFolder(folder);
            children.clear();
            const bool hasSep = !folder.empty() && (folder.back() == sep || (sep == '\\' && folder.back() == '/'));
            FLister.List(folder, "*.*", [&](const TDirEntry& e) {
                const std::string_view name = e.Name();
                if (!e.IsDirectory()) {
                    if (matcher.Matches(name)) AddRow(folder, e);
                    return true;
                }
                if (name.empty() || name[0] == '.' || !IsFolderToEnter(e)) return true;
                std::string child;
                child.reserve(folder.size() + name.size() + 1);
                child.append(folder);
                if (!hasSep) child += sep;
                child.append(name);
                children.push_back(std::move(child));
                return true;
            });
            // The folder's rows went in during the listing; its sub-folders are read next, in listing order.
            for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(std::move(*it));
        }
    }

private:
    TFileRows& FRows;
    const TCollectOptions& FOptions;
    TDirLister& FLister;
    std::size_t FCells = 0;
    std::size_t FSlot[6] = {};  // cell of Name, Size, Type, Modified, Attributes, Folder
    std::vector<std::string_view> FRow;
    std::unordered_map<std::string, std::string> FTypes;  // extension key -> description
    std::unordered_map<std::string, const std::string*> FRawTypes;  // extension as written -> FTypes value
    std::string FRawKey;
    std::string FAttributes;
    std::int64_t FLastTime = -1;
    std::string FLastTimeText;

    void PlaceValues() {
        if (FRows.Empty()) throw Exception("The report has no header row.");
        const std::vector<std::string> header = FRows.RowTexts(0);
        FCells = header.size();
        if (FCells < 6) throw Exception("The report's header row has fewer than six cells.");
        static constexpr std::string_view kCaptions[6] = {"Name", "Size", "Type", "Modified", "Attributes", "Folder"};
        std::vector<bool> taken(FCells, false);
        bool placed[6] = {};
        for (int v = 0; v < 6; ++v)
            for (std::size_t c = 0; c < FCells; ++c)
                if (!taken[c] && SameCaption(header[c], kCaptions[v])) {
                    FSlot[v] = c, taken[c] = true, placed[v] = true;
                    break;
                }
        std::size_t next = 0;
        for (int v = 0; v < 6; ++v) {
            if (placed[v]) continue;
            while (taken[next]) ++next;
            FSlot[v] = next, taken[next] = true;
        }
        FRow.assign(FCells, std::string_view());
    }

    const std::string& TypeText(std::string_view name) {
        static const std::string kNone;
        if (!FOptions.TypeDescriptions) return kNone;
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos) return kNone;
        // The extension as written finds its description without the locale's case mapping; only an
        // extension not met before in this spelling is mapped and looked up.
        FRawKey.assign(name.substr(dot));
        auto raw = FRawTypes.find(FRawKey);
        if (raw != FRawTypes.end()) return *raw->second;
        std::string key = FileExtensionKey(name);
        auto it = FTypes.find(key);
        if (it == FTypes.end()) {
            std::string text;
            FOptions.TypeDescriptions->Find(key, text);
            it = FTypes.emplace(std::move(key), std::move(text)).first;
        }
        return *FRawTypes.emplace(FRawKey, &it->second).first->second;
    }

    const std::string& TimeText(std::int64_t fileTime) {
        // Files of one tree often share their times; the two-second step is the text's resolution.
        const std::int64_t step = fileTime / 20000000;
        if (step != FLastTime) {
            FLastTime = step;
            FLastTimeText = LocalDateTimeText(fileTime, true);
        }
        return FLastTimeText;
    }

    // Adds the row of one listed file of folder; dot-names are left out.
    void AddRow(const std::string& folder, const TDirEntry& e) {
        const std::string_view name = e.Name();
        if (name.empty() || name[0] == '.') return;
        if (FOptions.OnFile) FOptions.OnFile();
        char size[24];
        const auto [end, ec] = std::to_chars(size, size + sizeof size, e.Size());
        FAttributes = ReportAttributeLetters(e.Attributes());
        FRow[FSlot[0]] = name;
        FRow[FSlot[1]] = std::string_view(size, static_cast<std::size_t>(end - size));
        FRow[FSlot[2]] = TypeText(name);
        FRow[FSlot[3]] = TimeText(e.LastWriteTime());
        FRow[FSlot[4]] = FAttributes;
        FRow[FSlot[5]] = folder;
        FRows.Add(FRow);
    }
};

}  // namespace

void CollectFiles(const std::string& folder, const std::string& mask, TFileRows& rows, bool recurse,
                  const TCollectOptions& options) {
    TReportWalker(rows, options).Walk(folder, mask, recurse);
}
