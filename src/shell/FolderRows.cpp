#include "shell/FolderRows.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <numeric>

#include "platform/Locale.h"
#include "shell/SizeText.h"

int SpecialFolderNumber(TStSpecialRootFolder folder) {
    static const int numbers[] = {-1, 29, 26, 10, 30, 25, 31, 23, 22, 24, 49, 3, 33, 0,  16, 17,
                                  6,  20, 34, 1,  32, 19, 18, 5,  4,  27, 2,  8, 9,  11, 7,  21};
    static_assert(sizeof(numbers) / sizeof(numbers[0]) == sfTemplates + 1);
    return folder >= sfNone && folder <= sfTemplates ? numbers[folder] : -1;
}

bool NeedsNewShell(TStSpecialRootFolder folder) {
    int n = SpecialFolderNumber(folder);
    return n == 1 || (n >= 29 && n <= 34);
}

const std::vector<TStColumn>& FixedColumns(TStFolderKind kind) {
    static const std::vector<TStColumn> fileSystem = {
        {"Name", 175, false, skName},         {"Size", 95, true, skSize},       {"Used", 95, true, skUsed},
        {"Slack", 85, true, skSlack},         {"Files", 80, true, skFiles},     {"Type", 125, false, skType},
        {"Modified", 125, false, skModified}, {"Attributes", 60, false, skText}};
    static const std::vector<TStColumn> recycleBin = {{"Name", 125, false, skName},
                                                      {"Size", 85, false, skSize},
                                                      {"Used", 85, true, skUsed},
                                                      {"Slack", 85, true, skSlack},
                                                      {"Files", 85, true, skFiles},
                                                      {"Type", 125, false, skType},
                                                      {"Date Deleted", 125, false, skText},
                                                      {"Attributes", 60, false, skText},
                                                      {"Original Location", 125, false, skText}};
    static const std::vector<TStColumn> otherShell = {
        {"Name", 175, false, skName},         {"Size", 85, true, skSize},       {"Used", 85, true, skUsed},
        {"Slack", 85, true, skSlack},         {"Files", 85, true, skFiles},     {"Type", 125, false, skType},
        {"Modified", 125, false, skModified}, {"Attributes", 60, false, skText}};
    switch (kind) {
        case fkRecycleBin:
            return recycleBin;
        case fkOtherShell:
            return otherShell;
        default:
            return fileSystem;
    }
}

TStRowFigures FolderRowFigures(bool calcFolderSize, const TStFolderSizeFunc& folderSize) {
    TStRowFigures f;
    if (calcFolderSize && folderSize) {
        std::int64_t used = 0, count = 0;
        f.Size = folderSize(used, count);
        f.UsedSize = used;
        f.FileCount = count;
        f.Slack = SlackOf(f.Size, f.UsedSize);
    }
    return f;
}

TStRowFigures FileRowFigures(std::int64_t size, std::int64_t allocated) {
    TStRowFigures f;
    f.Size = size;
    f.UsedSize = allocated;
    f.Slack = SlackOf(size, allocated);
    return f;
}

namespace {
std::string KBText(std::int64_t value) {
    // A file's figures in whole kilobytes without separators; an unset figure reads as 0KB.
    return std::to_string(value > 0 ? value / 1024 : 0) + "KB";
}
std::string CountText(std::int64_t count) {
    return count < 0 ? std::string() : std::to_string(count);
}
}  // namespace

std::vector<std::string> RowTexts(TStRowKind kind, const TStRowFigures& f, const std::string& typeText,
                                  const std::string& dateText, const std::string& attributeText) {
    switch (kind) {
        case rkFolder:
            return {f.Size < 0 ? std::string() : FormatBytesKB(f.Size),
                    f.UsedSize < 0 ? std::string() : FormatBytesKB(f.UsedSize),
                    f.Size < 0 ? std::string() : FormatBytesKB(std::max<std::int64_t>(f.Slack, 0)),
                    CountText(f.FileCount),
                    "File Folder",
                    dateText,
                    attributeText};
        case rkFile:
        case rkSearchedFile: {
            std::int64_t kb = f.Size > 0 ? std::max<std::int64_t>(f.Size / 1024, 1) : 0;
            return {
                std::to_string(kb) + "KB", KBText(f.UsedSize), KBText(f.Slack), "1", typeText, dateText, attributeText};
        }
        case rkSystemFolder:
        default:
            return {f.Size < 0 ? std::string() : FormatSizeShort(f.Size),
                    f.UsedSize < 0 ? std::string() : FormatSizeShort(f.UsedSize),
                    f.Slack < 0 ? std::string() : FormatSizeShort(f.Slack), CountText(f.FileCount), "System Folder"};
    }
}

void SetFigureTexts(std::vector<std::string>& texts, const TStRowFigures& figures) {
    if (texts.size() < 4) return;
    std::vector<std::string> fresh =
        RowTexts(texts.size() == 5 ? rkSystemFolder : rkFolder, figures, std::string(), std::string(), std::string());
    std::copy(fresh.begin(), fresh.begin() + 4, texts.begin());
}

std::string_view FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(std::string_view path) {
    // Only the name part counts: a "." in a folder's name is no extension.
    std::string_view name = FileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

namespace {
std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}
}  // namespace

std::string FileTypeText(std::string_view path, const TStTypeLookup& lookup) {
    std::string ext = ExtensionOf(path);
    if (ext.empty()) return "File";
    std::string description;
    if (lookup && lookup(ext, description) && !description.empty()) return description;
    return UpperCaseLocale(ext.substr(1)) + " File";
}

std::string SearchedFileTypeText(std::string_view path) {
    return FileTypeText(path, [](const std::string& ext, std::string& description) {
        if (UpperAscii(ext) != ".LNK") return false;
        description = "Shortcut";
        return true;
    });
}

// ---------------------------------------------------------------------------------------------------------------
// Sorting: each item's key is computed once, then an index permutation is sorted.

std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) return LowerCaseLocale(text);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

namespace {
struct TSortKey {
    bool Folder;
    std::int64_t Number;
    double Date;
    std::string Text;
    std::string Tie;
};

int CompareText(const std::string& a, const std::string& b) {
    return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The logical comparison of two texts already folded to one case.
int CompareFoldedLogical(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = IsDigit(a[i]), db = IsDigit(b[j]);
        if (da != db) return da ? -1 : 1;
        if (!da) {
            // Bytes of UTF-8 compare in the order of the characters they encode.
            const auto ca = static_cast<unsigned char>(a[i++]), cb = static_cast<unsigned char>(b[j++]);
            if (ca != cb) return ca < cb ? -1 : 1;
            continue;
        }
        // Two numbers: without leading zeros, the longer is the larger; of equal length, the first
        // differing digit decides.
        while (i < a.size() && a[i] == '0') ++i;
        while (j < b.size() && b[j] == '0') ++j;
        size_t ea = i, eb = j;
        while (ea < a.size() && IsDigit(a[ea])) ++ea;
        while (eb < b.size() && IsDigit(b[eb])) ++eb;
        if (ea - i != eb - j) return ea - i < eb - j ? -1 : 1;
        if (int c = a.substr(i, ea - i).compare(b.substr(j, eb - j)); c != 0) return c < 0 ? -1 : 1;
        i = ea;
        j = eb;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}
}  // namespace

int CompareLogical(std::string_view a, std::string_view b) {
    return CompareFoldedLogical(FoldCase(a), FoldCase(b));
}

void SortItems(std::vector<std::unique_ptr<TStShellItem>>& items, const TStSortRequest& request) {
    if (items.size() < 2) return;
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);

    if (request.Key == skName && request.CompareNames) {
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return request.CompareNames(*items[a], *items[b]) < 0; });
    } else {
        std::vector<TSortKey> keys(items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            TStShellItem& item = *items[i];
            TSortKey& k = keys[i];
            k.Folder = item.IsFileSystemFolder;
            switch (request.Key) {
                case skName:
                    k.Text = FoldCase(item.DisplayName);
                    k.Tie = item.DisplayName;
                    break;
                case skSize:
                    k.Number = item.Size();
                    k.Tie = FoldCase(item.Path);
                    break;
                case skUsed:
                    k.Number = item.UsedSize();
                    k.Tie = FoldCase(item.Path);
                    break;
                case skSlack:
                    item.Size();
                    k.Number = item.Slack;
                    k.Tie = FoldCase(item.Path);
                    break;
                case skFiles:
                    k.Number = item.FileCount();
                    k.Tie = FoldCase(item.Path);
                    break;
                case skType:
                    if (k.Folder)
                        k.Text = FoldCase(item.DisplayName);
                    else if (request.TypeByExtension)
                        k.Text = ExtensionOf(item.Path);
                    else
                        k.Text = FoldCase(item.TypeName.empty() && item.ColumnTexts.size() > 4 ? item.ColumnTexts[4]
                                                                                               : item.TypeName);
                    break;
                case skModified:
                    k.Date = item.ModifiedDate();
                    break;
                case skChange:
                    if (!request.ChangeOf || !request.ChangeOf(item, k.Number)) k.Number = INT64_MIN;
                    k.Tie = FoldCase(item.Path);
                    break;
                case skText:
                    k.Text = static_cast<size_t>(request.TextColumn) < item.ColumnTexts.size()
                                 ? FoldCase(item.ColumnTexts[request.TextColumn])
                                 : std::string();
                    break;
            }
        }
        auto less = [&](size_t a, size_t b) {
            const TSortKey &x = keys[a], &y = keys[b];
            if (x.Folder != y.Folder) return x.Folder;
            switch (request.Key) {
                case skSize:
                case skUsed:
                case skSlack:
                case skFiles:
                case skChange:
                    if (x.Number != y.Number) return x.Number < y.Number;
                    return CompareText(x.Tie, y.Tie) < 0;
                case skModified:
                    return x.Date > y.Date;  // newest first
                case skName:
                    if (int c = CompareFoldedLogical(x.Text, y.Text); c != 0) return c < 0;
                    if (int c = CompareText(x.Text, y.Text); c != 0) return c < 0;
                    return CompareText(x.Tie, y.Tie) < 0;
                default:
                    return CompareText(x.Text, y.Text) < 0;
            }
        };
        // A list already in order (sorted again after a filter or a refresh) is left as it is.
        if (std::is_sorted(order.begin(), order.end(), less)) return;
        std::stable_sort(order.begin(), order.end(), less);
    }
    std::vector<std::unique_ptr<TStShellItem>> sorted;
    sorted.reserve(items.size());
    for (size_t i : order) sorted.push_back(std::move(items[i]));
    items.swap(sorted);
}

// ---------------------------------------------------------------------------------------------------------------
// Mask filter

std::string TranslateMask(std::string_view mask) {
    std::string out;
    size_t i = 0;
    if (!mask.empty() && mask[0] != '*' && mask[0] != '?') {
        out = "((^[";
        out += mask[0];
        out += "])";
        i = 1;
    } else {
        out = "(";
    }
    for (; i < mask.size(); ++i) {
        char c = mask[i];
        if (c == '*')
            out += ".*";
        else if (c == '.' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '?')
            out += i == 0 ? "(^.)" : ".?";
        else
            out += c;
    }
    out += "\\n)";
    return out;
}

TStMaskFilter::TStMaskFilter(std::string_view filter) {
    size_t start = 0;
    while (start <= filter.size()) {
        size_t end = filter.find(';', start);
        if (end == std::string_view::npos) end = filter.size();
        std::string_view piece = filter.substr(start, end - start);
        if (!piece.empty()) {
            FMasks.push_back(FoldCase(piece));
            if (!FPattern.empty()) FPattern += '|';
            FPattern += TranslateMask(piece);
        }
        start = end + 1;
    }
}

namespace {
// Anchored match of name against mask: "*" any run, "?" one character or none (exactly one as the
// mask's first character). Every other character stands for itself: a mask is never read as a regular
// expression, so "a+b" or "(x" match literally instead of failing. Characters are UTF-8 sequences.
size_t CharLen(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    return std::min(n, s.size() - i);
}

bool MatchFrom(std::string_view mask, size_t m, std::string_view name, size_t n) {
    while (m < mask.size()) {
        char c = mask[m];
        if (c == '*') {
            while (m < mask.size() && mask[m] == '*') ++m;
            if (m == mask.size()) return true;
            for (size_t k = n; k <= name.size(); k += k < name.size() ? CharLen(name, k) : 1)
                if (MatchFrom(mask, m, name, k)) return true;
            return false;
        }
        if (c == '?') {
            if (m == 0) {
                if (n >= name.size()) return false;
                n += CharLen(name, n);
                ++m;
                continue;
            }
            // One character, or none.
            if (n < name.size() && MatchFrom(mask, m + 1, name, n + CharLen(name, n))) return true;
            ++m;
            continue;
        }
        size_t len = CharLen(mask, m);
        if (name.substr(n, len) != mask.substr(m, len)) return false;
        m += len;
        n += len;
    }
    return n == name.size();
}
}  // namespace

bool TStMaskFilter::Matches(std::string_view name) const {
    std::string lower = FoldCase(name);
    for (const std::string& mask : FMasks)
        if (MatchFrom(mask, 0, lower, 0)) return true;
    return false;
}

std::string DragCaption(int files, int folders, int rows) {
    std::string text;
    if (files > 0) text = std::to_string(files) + (files > 1 ? " files" : " file");
    if (files > 0 && folders > 0) text += ", ";
    if (folders > 0) text += std::to_string(folders) + (folders > 1 ? " folders" : " folder");
    if (text.empty()) text = std::to_string(rows) + " objects";
    return text;
}
