// The folder list's portable rules: attribute letters, the network name rule, a row's figures and
// texts, type texts, the sort orders with the row mapping, and the mask filter.
#include <gtest/gtest.h>

#include <map>

#include "shell/ShellItem.h"
#include "shell/FolderRows.h"

namespace {

// A controller without a shell: LoadStats gives each file-system item the size it was told.
class TFakeController : public TStCustomShellController {
public:
    std::map<std::string, std::int64_t> Sizes;
    int Loads = 0;
    void LoadStats(TStShellItem& item) override {
        ++Loads;
        auto it = Sizes.find(item.Path);
        item.FSize = it == Sizes.end() ? 0 : it->second;
    }
    std::string GetIconInfo(TStShellItem& item) override {
        item.FIconIndex = 3;
        item.FOpenIconIndex = 4;
        item.FOverlayIndex = -1;
        return item.DisplayName;
    }
    std::uint32_t QueryAttributes(const TStShellItem&, std::uint32_t) const override { return 0; }
    int CompareNames(const TStShellItem& a, const TStShellItem& b) override {
        return a.DisplayName.compare(b.DisplayName);
    }
    bool InvokeDefault(TStShellItem&) override { return false; }
    TPidl ClonePidl(const _ITEMIDLIST*) const override { return nullptr; }
    TPidl CombinePidl(const _ITEMIDLIST*, const _ITEMIDLIST*) const override { return nullptr; }
};

TEST(ShellRows, AttributeLettersInFixedOrder) {
    struct {
        std::uint32_t Attributes;
        const char* Text;
    } rows[] = {
        {0, ""},
        {kFileAttrArchive, "A"},
        {kFileAttrHidden | kFileAttrSystem | kFileAttrArchive, "HSA"},
        {kFileAttrArchive | kFileAttrCompressed | kFileAttrReadOnly | kFileAttrSystem | kFileAttrHidden, "HSRCA"},
        {kFileAttrDirectory | kFileAttrReadOnly, "R"},
    };
    for (auto& r : rows) EXPECT_EQ(AttributeLetters(r.Attributes), r.Text) << r.Attributes;
}

TEST(ShellRows, NetworkNameRuleCutsOnlyNetworkNames) {
    EXPECT_EQ(NetworkDisplayName("\\\\Server1\\Docs", "Docs on Server1"), "Docs");
    EXPECT_EQ(NetworkDisplayName("\\\\Server\\Music", "Music on Server"), "Music");
    EXPECT_EQ(NetworkDisplayName("C:\\Music on Server", "Music on Server"), "Music on Server");
    EXPECT_EQ(NetworkDisplayName("\\\\Server\\Docs", "Docs"), "Docs");
    EXPECT_EQ(NetworkDisplayName("\\\\S\\a on b on c", "a on b on c"), "a");
    EXPECT_EQ(NetworkDisplayName("\\", "x on y"), "x on y");
}

TEST(ShellRows, RowTextsTable) {
    using V = std::vector<std::string>;
    struct {
        const char* Name;
        TStRowKind Kind;
        TStRowFigures Figures;
        V Texts;
    } rows[] = {
        {"folder, sizes off", rkFolder, FolderRowFigures(false, nullptr), V{"", "", "", "", "File Folder", "D", "A"}},
        {"empty folder, sizes on", rkFolder,
         FolderRowFigures(true, [](std::int64_t& u, std::int64_t& c) { return u = 0, c = 0, std::int64_t(0); }),
         V{"0KB", "0KB", "0KB", "0", "File Folder", "D", "A"}},
        {"folder with files", rkFolder,
         FolderRowFigures(true, [](std::int64_t& u, std::int64_t& c) { return u = 8192, c = 2, std::int64_t(5000); }),
         V{"4KB", "8KB", "3KB", "2", "File Folder", "D", "A"}},
        {"1-byte file", rkFile, FileRowFigures(1, 4096), V{"1KB", "4KB", "3KB", "1", "T", "D", "A"}},
        {"0-byte file", rkFile, FileRowFigures(0, 0), V{"0KB", "0KB", "0KB", "1", "T", "D", "A"}},
        {"5,000,000,000-byte file", rkFile, FileRowFigures(5000000000LL, 5000003584LL),
         V{"4882812KB", "4882816KB", "3KB", "1", "T", "D", "A"}},
        {"1,000,000-byte file, no separators", rkSearchedFile, FileRowFigures(1000000, 1003520),
         V{"976KB", "980KB", "3KB", "1", "T", "D", "A"}},
        {"system folder, sizes off", rkSystemFolder, FolderRowFigures(false, nullptr),
         V{"", "", "", "", "System Folder"}},
        {"drive, sizes on", rkSystemFolder,
         FolderRowFigures(
             true, [](std::int64_t& u, std::int64_t& c) { return u = 3LL << 30, c = 7, std::int64_t(2LL << 30) + 5; }),
         V{"2GB", "3GB", "1023MB", "7", "System Folder"}},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.Name);
        EXPECT_EQ(RowTexts(r.Kind, r.Figures, "T", "D", "A"), r.Texts);
    }
}

TEST(ShellRows, FiguresOfEmptyFolderAndSmallFiles) {
    // Empty folder with sizes on: 0, 0, 0 and the slack stays unset.
    TStRowFigures empty =
        FolderRowFigures(true, [](std::int64_t& u, std::int64_t& c) { return u = 0, c = 0, std::int64_t(0); });
    EXPECT_EQ(empty.Size, 0);
    EXPECT_EQ(empty.UsedSize, 0);
    EXPECT_EQ(empty.FileCount, 0);
    EXPECT_EQ(empty.Slack, -1);
    // Files on 4096-byte clusters.
    EXPECT_EQ(FileRowFigures(4096, 8192).Slack, 4096);
    EXPECT_EQ(FileRowFigures(1, 4096).Slack, 4095);
    EXPECT_EQ(FileRowFigures(0, 0).Slack, -1);
    EXPECT_EQ(FileRowFigures(1, 4096).FileCount, -1);
    // Sizes off: nothing known, and the service is not asked.
    bool asked = false;
    TStRowFigures off = FolderRowFigures(false, [&](std::int64_t&, std::int64_t&) { return asked = true, 0LL; });
    EXPECT_FALSE(asked);
    EXPECT_EQ(off.Size, -1);
    EXPECT_EQ(off.UsedSize, -1);
    EXPECT_EQ(off.FileCount, -1);
}

TEST(ShellRows, TypeTexts) {
    auto lookup = [](const std::string& ext, std::string& desc) {
        if (ext == ".txt") return desc = "Text Document", true;
        if (ext == ".nodesc") return desc.clear(), true;
        return false;
    };
    struct {
        const char* Path;
        const char* Found;
        const char* Searched;
    } rows[] = {
        {"C:\\d\\report.xyz", "XYZ File", "XYZ File"},   {"C:\\d\\README", "File", "File"},
        {"C:\\d\\a.txt", "Text Document", "TXT File"},   {"C:\\d\\x.nodesc", "NODESC File", "NODESC File"},
        {"C:\\d\\old.bak", "BAK File", "BAK File"},      {"C:\\d\\link.LnK", "LNK File", "Shortcut"},
        {"C:\\dir.v2\\noext", "File", "File"},  // a dot in a folder's name is no extension
        {"C:\\d\\archive.tar.gz", "GZ File", "GZ File"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.Path);
        EXPECT_EQ(FileTypeText(r.Path, lookup), r.Found);
        EXPECT_EQ(SearchedFileTypeText(r.Path), r.Searched);
    }
}

class ShellSort : public ::testing::Test {
protected:
    TFakeController Controller;
    std::vector<std::unique_ptr<TStShellItem>> Items;

    TStShellItem& Add(const std::string& name, bool folder, std::int64_t size, double date = 0) {
        auto item = std::make_unique<TStShellItem>(&Controller);
        item->DisplayName = name;
        item->Path = "C:\\d\\" + name;
        item->IsFileSystem = true;
        item->IsFileSystemFolder = folder;
        item->IsFile = !folder;
        item->FSize = size;
        item->FModifiedDate = date;
        Items.push_back(std::move(item));
        return *Items.back();
    }
    // Names in the order the rows show them.
    std::vector<std::string> Rows(bool ascending) const {
        std::vector<std::string> names;
        int n = static_cast<int>(Items.size());
        for (int r = 0; r < n; ++r) names.push_back(Items[RowToItemIndex(r, n, ascending)]->DisplayName);
        return names;
    }
    void SetUp() override {
        Add("b.txt", false, 300, 3);
        Add("Big", true, 9000, 1);
        Add("a.txt", false, 100, 5);
        Add("small", true, 10, 2);
        Add("C.doc", false, 100, 4);
    }
};

TEST_F(ShellSort, SizeAscendingFoldersFirstThenReversedByMappingOnly) {
    TStSortRequest r;
    r.Key = skSize;
    SortItems(Items, r);
    EXPECT_EQ(Rows(true), (std::vector<std::string>{"small", "Big", "a.txt", "C.doc", "b.txt"}));
    // Reversal is the row mapping alone: files largest first, then folders largest first.
    EXPECT_EQ(Rows(false), (std::vector<std::string>{"b.txt", "C.doc", "a.txt", "Big", "small"}));
}

TEST_F(ShellSort, EveryKeyPutsFoldersFirst) {
    struct {
        TStSortKey Key;
        std::vector<std::string> Order;
    } rows[] = {
        {skName, {"Big", "small", "a.txt", "b.txt", "C.doc"}},
        {skModified, {"small", "Big", "a.txt", "C.doc", "b.txt"}},  // newest first within each group
        {skType, {"Big", "small", "C.doc", "a.txt", "b.txt"}},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.Key);
        for (auto& i : Items) i->TypeName = i->IsFile ? (i->DisplayName == "C.doc" ? "A Doc" : "Text") : "";
        TStSortRequest request;
        request.Key = r.Key;
        SortItems(Items, request);
        EXPECT_EQ(Rows(true), r.Order);
    }
}

TEST_F(ShellSort, SizeReadsUnknownSizesThroughTheLazyAccessor) {
    Items[0]->FSize = -1;  // b.txt
    Controller.Sizes["C:\\d\\b.txt"] = 1;
    TStSortRequest r;
    r.Key = skSize;
    SortItems(Items, r);
    EXPECT_EQ(Controller.Loads, 1);
    EXPECT_EQ(Rows(true), (std::vector<std::string>{"small", "Big", "b.txt", "a.txt", "C.doc"}));
}

TEST_F(ShellSort, TextColumnAndShellNameOrder) {
    for (auto& i : Items) i->ColumnTexts = {"", "", "", "", "", "", i->DisplayName == "a.txt" ? "HA" : "A"};
    TStSortRequest r;
    r.Key = skText;
    r.TextColumn = 6;
    SortItems(Items, r);
    EXPECT_EQ(Rows(true).back(), "a.txt");
    r = TStSortRequest{};
    r.CompareNames = [this](const TStShellItem& a, const TStShellItem& b) { return Controller.CompareNames(a, b); };
    SortItems(Items, r);  // the shell's own order: here plain byte order
    EXPECT_EQ(Rows(true), (std::vector<std::string>{"Big", "C.doc", "a.txt", "b.txt", "small"}));
}

TEST(ShellSortCase, NamesCompareWithoutRegardToCaseInAnyScript) {
    std::vector<std::unique_ptr<TStShellItem>> items;
    for (const char* name : {"Äpfel", "zebra", "apfel2", "äb", "APFEL1", "Ωmega", "ωa"}) {
        items.push_back(std::make_unique<TStShellItem>());
        items.back()->DisplayName = name;
    }
    SortItems(items, TStSortRequest{});
    std::vector<std::string> names;
    for (auto& i : items) names.push_back(i->DisplayName);
    EXPECT_EQ(names, (std::vector<std::string>{"APFEL1", "apfel2", "zebra", "äb", "Äpfel", "ωa", "Ωmega"}));
}

// The shell's logical order: numbers by value at any length, a digit before any other character, case
// ignored. The same pairs as far as Wine's StrCmpLogicalW reaches are checked against it under Wine.
TEST(ShellSortLogical, CompareTable) {
    const struct {
        const char* A;
        const char* B;
        int Sign;
    } cases[] = {
        {"file2.txt", "file10.txt", -1},
        {"File10", "file10", 0},
        {"2string", "st2ring", -1},  // a digit before a letter
        {"a1", "a_", -1},            // and before punctuation
        {"x", "x1", -1},             // a name before the longer names it begins
        {"x1", "x", 1},
        {"v1.9", "v1.10", -1},
        {"a007", "a7", 0},  // leading zeros do not count
        {"a007b", "a7c", -1},
        {"a18446744073709551617", "a18446744073709551616", 1},  // beyond 64 bits
        {"a99999999999999999999", "a100000000000000000000", -1},
        {"", "", 0},
        {"", "0", -1},
        {"Ärger2", "ärger10", -1},  // case folded outside ASCII too
    };
    for (const auto& c : cases) {
        const int got = CompareLogical(c.A, c.B);
        EXPECT_EQ((got > 0) - (got < 0), c.Sign) << c.A << " vs " << c.B;
    }
}

TEST(ShellSortLogical, NameKeyFoldersFirstThenLogicalWithDeterministicTies) {
    std::vector<std::unique_ptr<TStShellItem>> items;
    for (const char* name : {"string20", "st20ring", "a1", "string2", "20string", "A01", "st2ring", "dir10", "dir9",
                             "a01", "2string", "string3"}) {
        items.push_back(std::make_unique<TStShellItem>());
        items.back()->DisplayName = name;
        items.back()->IsFileSystemFolder = name[0] == 'd';
    }
    SortItems(items, TStSortRequest{});
    std::vector<std::string> names;
    for (auto& i : items) names.push_back(i->DisplayName);
    EXPECT_EQ(names, (std::vector<std::string>{"dir9", "dir10", "2string", "20string", "A01", "a01", "a1", "st2ring",
                                               "st20ring", "string2", "string3", "string20"}));
}

TEST(ShellSortSmall, FewerThanTwoItemsStay) {
    std::vector<std::unique_ptr<TStShellItem>> none;
    SortItems(none, TStSortRequest{});
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(RowToItemIndex(0, 1, false), 0);
    EXPECT_EQ(RowToItemIndex(0, 3, false), 2);
    EXPECT_EQ(RowToItemIndex(2, 3, true), 2);
}

TEST(ShellMask, TranslationOfMasks) {
    EXPECT_EQ(TranslateMask("*.bak"), "(.*\\.bak\\n)");
    EXPECT_EQ(TranslateMask("a?c"), "((^[a]).?c\\n)");
    EXPECT_EQ(TranslateMask("?x"), "((^.)x\\n)");
    EXPECT_EQ(TStMaskFilter("*.bak;;*.tmp;").Pattern(), "(.*\\.bak\\n)|(.*\\.tmp\\n)");
}

TEST(ShellMask, MatchTable) {
    struct {
        const char* Filter;
        const char* Name;
        bool Match;
    } rows[] = {
        {"*.bak;*.tmp", "old.bak", true},
        {"*.bak;*.tmp", "OLD.BAK", true},
        {"*.bak;*.tmp", "x.TmP", true},
        {"*.bak;*.tmp", "old.bak2", false},
        {"*.bak;*.tmp", "bak", false},
        {"*.bak;*.tmp", ".bak", true},
        {"a?c", "ac", true},
        {"a?c", "abc", true},
        {"a?c", "abbc", false},
        {"a?c", "xabc", false},
        {"?x", "ax", true},
        {"?x", "x", false},
        {"*", "anything", true},
        {"", "a", false},
        {"a+b(c", "a+b(c", true},
        {"a+b(c", "aab(c", false},
        {"*.*", "noext", false},
        {"*.*", "a.b", true},
        {"ελ*", "Ελληνικά.txt", true},
        {"*.txt", "Ελληνικά.txt", true},
        {"д?", "дa", true},
    };
    for (auto& r : rows) EXPECT_EQ(TStMaskFilter(r.Filter).Matches(r.Name), r.Match) << r.Filter << " " << r.Name;
}

TEST(ShellRows, DragCaptionAndFolderNumbers) {
    EXPECT_EQ(DragCaption(3, 1, 4), "3 files, 1 folder");
    EXPECT_EQ(DragCaption(1, 0, 1), "1 file");
    EXPECT_EQ(DragCaption(0, 2, 2), "2 folders");
    EXPECT_EQ(DragCaption(0, 0, 5), "5 objects");
    EXPECT_EQ(SpecialFolderNumber(sfDrives), 17);
    EXPECT_EQ(SpecialFolderNumber(sfDesktop), 0);
    EXPECT_EQ(SpecialFolderNumber(sfBitBucket), 10);
    EXPECT_EQ(SpecialFolderNumber(sfConnections), 49);
    EXPECT_EQ(SpecialFolderNumber(sfTemplates), 21);
    EXPECT_EQ(SpecialFolderNumber(sfNone), -1);
    EXPECT_TRUE(NeedsNewShell(sfInternet));
    EXPECT_TRUE(NeedsNewShell(sfHistory));
    EXPECT_FALSE(NeedsNewShell(sfDrives));
    // The file-system column set, as a person sees it: eight columns, the four figures right-aligned.
    const auto& cols = FixedColumns(fkFileSystem);
    ASSERT_EQ(cols.size(), 8u);
    for (size_t i = 0; i < cols.size(); ++i) EXPECT_EQ(cols[i].RightAligned, i >= 1 && i <= 4) << cols[i].Caption;
    EXPECT_EQ(FixedColumns(fkRecycleBin).size(), 9u);
}

TEST(ShellItem, NewItemFiguresAndLazyAccessors) {
    TFakeController controller;
    controller.Sizes["C:\\f.txt"] = 42;
    TStShellItem item(&controller);
    EXPECT_EQ(item.FSize, -1);
    EXPECT_EQ(item.FUsedSize, -1);
    EXPECT_EQ(item.Slack, -1);
    EXPECT_EQ(item.FFileCount, -1);
    EXPECT_EQ(item.FIconIndex, -1);
    item.Path = "C:\\f.txt";
    item.IsFileSystem = true;
    EXPECT_EQ(item.Size(), 42);
    EXPECT_EQ(item.UsedSize(), -1);  // never computed without the row details
    EXPECT_EQ(item.FileCount(), -1);
    EXPECT_EQ(controller.Loads, 1);
    EXPECT_EQ(item.IconIndex(), 3);
    EXPECT_EQ(item.OpenIconIndex(), 4);
    // Not in the file system: nothing to load, the size stays unknown.
    TStShellItem virt(&controller);
    EXPECT_EQ(virt.Size(), -1);
    EXPECT_EQ(controller.Loads, 1);
    // A copy answers false for IsFile and keeps the figures.
    item.IsFile = true;
    TStShellItem copy(&controller);
    copy.AssignItem(item);
    EXPECT_FALSE(copy.IsFile);
    EXPECT_EQ(copy.FSize, 42);
    EXPECT_EQ(copy.Path, "C:\\f.txt");
    // Lists: past the end gives nothing.
    TStShellItemList list;
    list.Add(std::make_unique<TStShellItem>(&controller));
    EXPECT_NE(list.Items(0), nullptr);
    EXPECT_EQ(list.Items(1), nullptr);
    EXPECT_EQ(list.Items(-1), nullptr);
}

// A listed row's shell objects are made when something needs them, never by copying the row; what its
// file attributes tell is answered without them.
TEST(ShellItem, ListedRowsMakeTheirShellObjectsOnlyWhenAskedFor) {
    struct TCountingController : TFakeController {
        mutable int Made = 0;
        mutable std::uint32_t Asked = 0;
        bool MakeShellObjects(const TStShellItem&) const override {
            ++Made;
            return false;
        }
        std::uint32_t QueryAttributes(const TStShellItem& item, std::uint32_t mask) const override {
            Asked |= mask;
            return item.ShellObjects() ? mask : 0;
        }
        // A list of its own for any combination (nothing frees it: no shell side here).
        TPidl CombinePidl(const _ITEMIDLIST* folder, const _ITEMIDLIST*) const override {
            return TPidl(const_cast<_ITEMIDLIST*>(folder));
        }
    } controller;
    static char folderList[4];
    TStShellItem item(&controller);
    item.FolderIdList =
        std::shared_ptr<const _ITEMIDLIST>(reinterpret_cast<const _ITEMIDLIST*>(folderList), [](const _ITEMIDLIST*) {});
    item.Listed = true;
    item.IsFileSystem = item.IsFile = true;
    item.Path = "C:\\a.";
    TStShellItem copy(&controller);
    copy.AssignItem(item);
    EXPECT_TRUE(copy.Listed);
    EXPECT_EQ(0, controller.Made);
    // Asked for its list, a listed row whose entry the shell cannot name has none (never its folder's).
    TPidl list = copy.FullIdList();
    EXPECT_EQ(nullptr, list.release());
    EXPECT_EQ(1, controller.Made);
    EXPECT_FALSE(copy.IsFolder());
    EXPECT_EQ(static_cast<std::uint32_t>(saFolder), controller.Asked);
}

TEST(ShellItem, SmallEnoughForAHundredThousand) {
    // The item without its texts' heap parts stays well under a kilobyte.
    EXPECT_LT(sizeof(TStShellItem), 512u);
}

}  // namespace
