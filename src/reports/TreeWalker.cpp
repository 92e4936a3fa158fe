#include "reports/TreeWalker.h"

#include <charconv>
#include <unordered_map>
#include <vector>

#include "platform/AnsiText.h"
#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/DosWildcard.h"
#include "platform/Exception.h"
#include "platform/Locale.h"
#include "scans/ScanDiff.h"

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

bool RepairUtf8(std::string_view text, std::string& repaired) {
    if (IsAsciiText(text)) return false;
    std::string out;
    out.reserve(text.size() + 8);
    bool repairs = false;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = DecodeUtf8(text, pos);
        // A byte that does not decode comes back as 0xDC80 to 0xDCFF (encoded surrogates are refused too).
        if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD, repairs = true;
        AppendUtf8(out, c);
    }
    if (repairs) repaired = std::move(out);
    return repairs;
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

    TCollectResult Walk(const std::string& start, const std::string& mask, bool recurse) {
        // One listing per folder serves both the rows and the sub-folders, so the mask is matched here
        // with the listers' own matcher: the whole mask is one pattern, as List(folder, mask) takes it.
        const TDosWildcard matcher(mask);
        const char sep = FLister.Separator();
        // Pre-order, depth first: the stack holds folders still to read, the next one on top. Nothing
        // recurses, so the depth is bounded by what the listing can open, not by the thread's stack.
        std::vector<std::string> pending{start};
        std::vector<std::string> children;
        for (bool atStart = true; !pending.empty(); atStart = false) {
            const std::string folder = std::move(pending.back());
            pending.pop_back();
            if (FOptions.OnFolder) FOptions.OnFolder(folder);
            BeginFolder(folder);
            children.clear();
            const bool hasSep = !folder.empty() && (folder.back() == sep || (sep == '\\' && folder.back() == '/'));
            const TDirStatus status = FLister.List(folder, "*.*", [&](const TDirEntry& e) {
                const std::string_view name = e.Name();
                if (FInBaseline) NoteOnDisk(name);
                if (!e.IsDirectory()) {
                    if (matcher.Matches(name)) AddRow(e);
                    return true;
                }
                if (!recurse || name.empty() || name[0] == '.' || !IsFolderToEnter(e)) return true;
                if (RepairUtf8(name, FScratch)) ++FResult.InvalidNames;
                std::string child;
                child.reserve(folder.size() + name.size() + 1);
                child.append(folder);
                if (!hasSep) child += sep;
                child.append(name);
                children.push_back(std::move(child));
                return true;
            });
            // A folder gone since its parent was listed holds nothing to report; the start folder is
            // another matter: the report would be empty without saying why.
            if (status != TDirStatus::Ok && (status != TDirStatus::NotFound || atStart)) MarkUnreadable();
            // What the baseline held and the disk no longer does, once the whole listing says so.
            if (FInBaseline && status == TDirStatus::Ok) AddGoneRows(matcher, recurse);
            // The folder's rows went in during the listing; its sub-folders are read next, in listing order.
            for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(std::move(*it));
        }
        return std::move(FResult);
    }

private:
    TFileRows& FRows;
    const TCollectOptions& FOptions;
    TDirLister& FLister;
    std::size_t FCells = 0;
    std::size_t FSlot[6] = {};  // cell of Name, Size, Type, Modified, Attributes, Folder
    std::vector<std::string_view> FRow;
    std::unordered_map<std::string, std::string> FTypes;            // extension key -> description
    std::unordered_map<std::string, const std::string*> FRawTypes;  // extension as written -> FTypes value
    std::string FRawKey;
    std::string FAttributes;
    std::string FName;
    std::int64_t FLastTime = -1;
    std::string FLastTimeText;
    TCollectResult FResult;
    std::string FScratch;
    // The folder being read: its path as the folder cell writes it, and whether it is in the result yet.
    std::string FFolderCell;
    bool FFolderMarked = false;
    // The change cell (kNoSlot: none), and the folder being read as the baseline held it.
    static constexpr std::size_t kNoSlot = SIZE_MAX;
    std::size_t FChangeSlot = kNoSlot;
    bool FInBaseline = false;
    TBaselineFolder FBaselineFolder;
    std::string FChange;

    std::vector<bool> FOnDisk;  // per entry of FBaselineFolder: still listed

    void BeginFolder(const std::string& folder) {
        if (!RepairUtf8(folder, FFolderCell)) FFolderCell = folder;
        FFolderMarked = false;
        FInBaseline = FChangeSlot != kNoSlot && FOptions.Baseline->Match(folder, FBaselineFolder);
        if (FInBaseline) FOnDisk.assign(FBaselineFolder.Entries.size(), false);
    }
    void NoteOnDisk(std::string_view name) {
        if (const TBaselineEntry* then = FBaselineFolder.Find(name))
            FOnDisk[static_cast<std::size_t>(then - FBaselineFolder.Entries.data())] = true;
    }

    // A row for each file (matching the mask) and, in a report of the sub-folders, each folder that the
    // baseline held in the folder just read and the disk does not: its name, its size then (a folder's
    // total, its attributes "D") and all of it as the change, as the folder list shows them. Dot-names are
    // left out, as on the disk.
    void AddGoneRows(const TDosWildcard& matcher, bool recurse) {
        const std::vector<TBaselineEntry>& entries = FBaselineFolder.Entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TBaselineEntry& gone = entries[i];
            if (FOnDisk[i] || gone.Name.empty() || gone.Name[0] == '.') continue;
            if (gone.Folder ? !recurse : !matcher.Matches(gone.Name)) continue;
            char size[24];
            const auto length = static_cast<std::size_t>(std::to_chars(size, size + sizeof size, gone.Size).ptr - size);
            FAttributes = gone.Folder ? ReportAttributeLetters(faDirectory) : std::string();
            FChange = ChangeText(-gone.Size);
            FRow[FSlot[0]] = gone.Name;
            FRow[FSlot[1]] = std::string_view(size, length);
            FRow[FSlot[2]] = gone.Folder ? std::string_view() : std::string_view(TypeText(gone.Name));
            FRow[FSlot[3]] = std::string_view();
            FRow[FSlot[4]] = FAttributes;
            FRow[FSlot[5]] = FFolderCell;
            FRow[FChangeSlot] = FChange;
            FRows.Add(FRow);
        }
    }
    void MarkUnreadable() {
        if (FFolderMarked) return;
        FFolderMarked = true;
        FResult.Unreadable.push_back(FFolderCell);
    }

    void PlaceValues() {
        if (FRows.Empty()) throw Exception("The report has no header row.");
        const std::vector<std::string> header = FRows.RowTexts(0);
        FCells = header.size();
        if (FCells < 6) throw Exception("The report's header row has fewer than six cells.");
        static constexpr std::string_view kCaptions[6] = {"Name", "Size", "Type", "Modified", "Attributes", "Folder"};
        std::vector<bool> taken(FCells, false);
        if (FOptions.Baseline)
            for (std::size_t c = 0; c < FCells; ++c)
                if (SameCaption(header[c], "Change")) {
                    FChangeSlot = c, taken[c] = true;
                    break;
                }
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

    // Adds the row of one listed file of the folder being read; dot-names are left out.
    void AddRow(const TDirEntry& e) {
        std::string_view name = e.Name();
        if (name.empty() || name[0] == '.') return;
        if (FOptions.OnFile) FOptions.OnFile();
        if (RepairUtf8(name, FName)) {
            ++FResult.InvalidNames;
            name = FName;
        }
        char size[24];
        std::size_t sizeLength = 0;
        std::string_view time;
        if (e.DetailsRead()) {
            sizeLength = static_cast<std::size_t>(std::to_chars(size, size + sizeof size, e.Size()).ptr - size);
            time = TimeText(e.LastWriteTime());
        } else {
            MarkUnreadable();  // a size that cannot be read is left empty, never written as 0
        }
        FAttributes = ReportAttributeLetters(e.Attributes());
        FRow[FSlot[0]] = name;
        FRow[FSlot[1]] = std::string_view(size, sizeLength);
        FRow[FSlot[2]] = TypeText(name);
        FRow[FSlot[3]] = time;
        FRow[FSlot[4]] = FAttributes;
        FRow[FSlot[5]] = FFolderCell;
        if (FChangeSlot != kNoSlot) {
            FChange.clear();
            std::int64_t change = 0;
            if (FInBaseline && e.DetailsRead()) {
                const TBaselineEntry* then = FBaselineFolder.Find(e.Name());
                if (ChangeOf(e.Size(), then && !then->Folder ? then->Size : 0, change)) FChange = ChangeText(change);
            }
            FRow[FChangeSlot] = FChange;
        }
        FRows.Add(FRow);
    }
};

}  // namespace

TCollectResult CollectFiles(const std::string& folder, const std::string& mask, TFileRows& rows, bool recurse,
                            const TCollectOptions& options) {
    return TReportWalker(rows, options).Walk(folder, mask, recurse);
}
