// The report walker: order, placement of the values, what it skips, and what it reads from real files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "platform/DateTime.h"
#include "platform/FsFixture.h"
#include "reports/FolderReport.h"
#include "reports/TreeWalker.h"
#include "scans/ScanDiff.h"
#include "scans/ScanFile.h"
#include "shell/FakeListing.h"
#include "shell/TypeDescriptions.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using Row = std::vector<std::string>;

namespace {

bool SetWriteTime(const fs::path& file, std::int64_t fileTime) {
#ifdef _WIN32
    HANDLE h = CreateFileW(file.wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME ft{static_cast<DWORD>(fileTime), static_cast<DWORD>(static_cast<std::uint64_t>(fileTime) >> 32)};
    const bool ok = SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return ok;
#else
    const std::int64_t ticks = fileTime - 116444736000000000LL;
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ticks / 10000000);
    times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(ticks % 10000000) * 100;
    return utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
#endif
}

const Row kHeader = {"Name", "Size", "Used", "Slack", "Files", "Type", "Modified", "Attributes", "Folder"};
enum { cName = 0, cSize = 1, cType = 5, cModified = 6, cAttributes = 7, cFolder = 8 };

std::vector<Row> Collect(TDirLister& lister, const std::string& folder, const std::string& mask,
                         const Row& header = kHeader, bool recurse = true, TTypeDescriptions* types = nullptr,
                         std::vector<std::string>* statuses = nullptr, int* steps = nullptr,
                         TCollectResult* result = nullptr) {
    TFileRows rows;
    rows.Add(header);
    TCollectOptions options;
    options.Lister = &lister;
    options.TypeDescriptions = types;
    if (statuses) options.OnFolder = [statuses](const std::string& f) { statuses->push_back(f); };
    if (steps) options.OnFile = [steps] { ++*steps; };
    TCollectResult walked = CollectFiles(folder, mask, rows, recurse, options);
    if (result) *result = std::move(walked);
    std::vector<Row> out;
    for (std::size_t r = 1; r < rows.Count(); ++r) out.push_back(rows.RowTexts(r));
    return out;
}

std::vector<std::string> Column(const std::vector<Row>& rows, int cell) {
    std::vector<std::string> out;
    for (const Row& r : rows) out.push_back(r.at(static_cast<std::size_t>(cell)));
    return out;
}

// c:\ with files and folders in a known listing order.
class ReportWalkerFake : public ::testing::Test {
protected:
    vstest::TFakeLister FLister;
    void SetUp() override {
        FLister.AddFile("c:\\boot.ini", 10);
        FLister.AddFile("c:\\Windows\\win.ini", 20);
        FLister.AddFile("c:\\Windows\\System32\\kernel32.dll", 30);
        FLister.AddFile("c:\\Windows\\notepad.exe", 40);
        FLister.AddFile("c:\\Data\\song.mp3", 50);
        FLister.AddFile("c:\\Data\\Music.mp3s\\tune.MP3", 60);
        FLister.AddFile("c:\\Data\\.profile", 70);
        FLister.AddFile("c:\\Data\\.git\\config.mp3", 80);
        FLister.AddFile("c:\\z.mp3", 90);
    }
};

TEST_F(ReportWalkerFake, DepthFirstPreOrderWithFolderPathsAsBuilt) {
    std::vector<std::string> statuses;
    int steps = 0;
    auto rows = Collect(FLister, "c:\\", "*.*", kHeader, true, nullptr, &statuses, &steps);
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"boot.ini", "z.mp3", "win.ini", "notepad.exe",
                                                              "kernel32.dll", "song.mp3", "tune.MP3"}));
    EXPECT_EQ(Column(rows, cFolder), (std::vector<std::string>{"c:\\", "c:\\", "c:\\Windows", "c:\\Windows",
                                                                "c:\\Windows\\System32", "c:\\Data",
                                                                "c:\\Data\\Music.mp3s"}));
    EXPECT_EQ(statuses, (std::vector<std::string>{"c:\\", "c:\\Windows", "c:\\Windows\\System32", "c:\\Data",
                                                   "c:\\Data\\Music.mp3s"}));
    EXPECT_EQ(steps, 7);
}

TEST_F(ReportWalkerFake, MaskLimitsFilesButEveryFolderIsEntered) {
    struct {
        const char* Mask;
        std::vector<std::string> Names;
    } cases[] = {
        {"*.mp3", {"z.mp3", "song.mp3", "tune.MP3"}},
        {"*.mp3;*.ini", {}},  // passed to the listing whole: one pattern that matches nothing
        {"", {}},
        {"k*", {"kernel32.dll"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> statuses;
        auto rows = Collect(FLister, "c:\\", c.Mask, kHeader, true, nullptr, &statuses);
        EXPECT_EQ(Column(rows, cName), c.Names) << c.Mask;
        EXPECT_EQ(statuses.size(), 5u) << c.Mask;
    }
}

TEST_F(ReportWalkerFake, WithoutRecursionOnlyTheFolderItself) {
    auto rows = Collect(FLister, "c:\\Windows", "*.*", kHeader, false);
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"win.ini", "notepad.exe"}));
}

TEST_F(ReportWalkerFake, ValuesGoUnderTheHeaderCellsOfTheSameMeaning) {
    FLister.AddEntry("c:\\Windows\\flags.sys", faReadOnly | faHidden | faArchive | 0x800 /* compressed */, 7);
    struct {
        Row Header;
        Row Expected;
    } cases[] = {
        {kHeader, {"flags.sys", "7", "", "", "", "", "", "RHA", "c:\\Windows"}},
        {{"Name", "Size", "Type", "Modified", "Attributes", "Folder"}, {"flags.sys", "7", "", "", "RHA", "c:\\Windows"}},
        // Captions the walker does not know take nothing; the values keep to their own captions.
        {{"Folder", "Extra", "attributes", "NAME", "Size", "Type", "Modified"},
         {"c:\\Windows", "", "RHA", "flags.sys", "7", "", ""}},
        // Without the captions the values fill the free cells in order.
        {{"A", "B", "C", "D", "E", "F", "G"}, {"flags.sys", "7", "", "", "RHA", "c:\\Windows", ""}},
    };
    for (const auto& c : cases) {
        auto rows = Collect(FLister, "c:\\Windows", "flags.*", c.Header, false);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], c.Expected) << c.Header[0];
    }
}

TEST_F(ReportWalkerFake, WithABaselineEachFileCarriesItsChangeUnderTheChangeCell) {
    // Then: boot.ini larger (its name in other letters), notepad.exe larger, System32 empty, Data not there.
    const TScanBaseline then(
        ImportScanBytes(R"([1,2,{},[{"name":"c:\\"},{"name":"BOOT.INI","asize":3000},{"name":"z.mp3","asize":90},)"
                        R"([{"name":"Windows"},{"name":"win.ini","asize":20},{"name":"notepad.exe","asize":5000},)"
                        R"([{"name":"System32"}]]]])"));
    const TScanBaseline elsewhere(ImportScanBytes(R"([1,2,{},[{"name":"d:\\x"},{"name":"z.mp3","asize":1}]])"));
    Row header = kHeader;
    header.insert(header.begin() + cFolder, "Change");
    auto collect = [&](const Row& h, const TScanBaseline* baseline) {
        TFileRows rows;
        rows.Add(h);
        TCollectOptions options;
        options.Lister = &FLister;
        options.Baseline = baseline;
        CollectFiles("c:\\", "*.*", rows, true, options);
        std::vector<Row> out;
        for (std::size_t r = 1; r < rows.Count(); ++r) out.push_back(rows.RowTexts(r));
        return out;
    };
    const std::vector<Row> rows = collect(header, &then);
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"boot.ini", "z.mp3", "win.ini", "notepad.exe",
                                                             "kernel32.dll", "song.mp3", "tune.MP3"}));
    EXPECT_EQ(Column(rows, cFolder), (std::vector<std::string>{"-2KB", "0KB", "0KB", "-4KB", "+1KB", "+1KB", "+1KB"}));
    EXPECT_EQ(Column(rows, cFolder + 1).front(), "c:\\");
    // Outside the saved root nothing is known; without a Change cell the rows are as without a baseline.
    EXPECT_EQ(Column(collect(header, &elsewhere), cFolder), std::vector<std::string>(7));
    EXPECT_EQ(collect(kHeader, &then), collect(kHeader, nullptr));
}

TEST_F(ReportWalkerFake, HeaderTooShortOrMissingIsAFailure) {
    TFileRows rows;
    TCollectOptions options;
    options.Lister = &FLister;
    EXPECT_THROW(CollectFiles("c:\\", "*.*", rows, true, options), Exception);
    rows.Add({"Name", "Size", "Type", "Modified", "Folder"});
    EXPECT_THROW(CollectFiles("c:\\", "*.*", rows, true, options), Exception);
    EXPECT_EQ(rows.Count(), 1u);
}

TEST_F(ReportWalkerFake, ReparsePointsAreNotEnteredAndUnreadableFoldersAreSkipped) {
    FLister.AddEntry("c:\\Data\\loop", faDirectory | faReparsePoint);
    FLister.FailListing("c:\\Windows", TDirStatus::AccessDenied);
    FLister.Vanish("c:\\Windows\\System32");
    auto rows = Collect(FLister, "c:\\", "*.*");
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"boot.ini", "z.mp3", "song.mp3", "tune.MP3"}));
    EXPECT_EQ(FLister.Reads("c:\\Data\\loop"), 0);
}

// Every folder the walk could not read in full is named once, in walk order; a sub-folder that vanished
// since its parent was listed holds nothing and is not; the start folder missing is.
TEST_F(ReportWalkerFake, FoldersNotReadInFullAreNamed) {
    FLister.FailListing("c:\\Windows", TDirStatus::AccessDenied);
    FLister.FailListing("c:\\Data", TDirStatus::Failed, 1);  // song.mp3, then the read fails
    FLister.AddFolder("c:\\Deep\\er");
    FLister.FailListing("c:\\Deep\\er", TDirStatus::TooLong);
    FLister.AddFolder("c:\\Gone");
    FLister.Vanish("c:\\Gone");
    TCollectResult result;
    auto rows = Collect(FLister, "c:\\", "*.*", kHeader, true, nullptr, nullptr, nullptr, &result);
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"boot.ini", "z.mp3", "song.mp3"}));
    EXPECT_EQ(result.Unreadable, (std::vector<std::string>{"c:\\Windows", "c:\\Data", "c:\\Deep\\er"}));
    EXPECT_FALSE(result.Complete());

    Collect(FLister, "c:\\Data\\Music.mp3s", "*.*", kHeader, true, nullptr, nullptr, nullptr, &result);
    EXPECT_TRUE(result.Complete());
    Collect(FLister, "c:\\Gone", "*.*", kHeader, true, nullptr, nullptr, nullptr, &result);
    EXPECT_EQ(result.Unreadable, std::vector<std::string>{"c:\\Gone"});
}

// Names in raw bytes that are not UTF-8 (a POSIX file system gives them) are written as valid UTF-8, a
// U+FFFD for each byte that does not decode, and counted; the folder cell below such a folder too.
TEST_F(ReportWalkerFake, NamesThatAreNotUtf8AreRepairedAndCounted) {
    FLister.AddFile("c:\\Data\\caf\xE9.txt", 1);                  // Latin-1
    FLister.AddFile("c:\\Data\\\xC3\xA9t\xE9\\\xFF\xFE.mp3", 2);  // a folder and a file
    FLister.AddFile("c:\\Data\\\xED\xA0\x80.txt", 3);             // an encoded surrogate
    FLister.AddFile("c:\\Data\\Жук.txt", 4);                      // valid: kept as it is
    TCollectResult result;
    auto rows = Collect(FLister, "c:\\Data", "*.*", kHeader, true, nullptr, nullptr, nullptr, &result);
    std::vector<std::string> names;
    for (const Row& r : rows) names.push_back(r[cName] + "|" + r[cFolder]);
    const std::string bad = "\xEF\xBF\xBD";
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  "song.mp3|c:\\Data", "caf" + bad + ".txt|c:\\Data", bad + bad + bad + ".txt|c:\\Data",
                  "Жук.txt|c:\\Data", "tune.MP3|c:\\Data\\Music.mp3s", bad + bad + ".mp3|c:\\Data\\\xC3\xA9t" + bad}));
    EXPECT_EQ(result.InvalidNames, 4u);
    EXPECT_TRUE(result.Complete());
}

TEST_F(ReportWalkerFake, TypeDescriptionsByLastExtensionWithoutFallback) {
    TTypeDescriptions types(kTypeDescriptionBuckets);
    types.Add(".mp3", "MP3 Audio");
    types.Add(".INI", "Configuration <b>Settings</b>");
    FLister.AddFile("c:\\Windows\\archive.tar.mp3", 1);
    FLister.AddFile("c:\\Windows\\README", 1);
    auto rows = Collect(FLister, "c:\\Windows", "*.*", kHeader, false, &types);
    std::vector<std::string> types_;
    for (const Row& r : rows) types_.push_back(r[cName] + "=" + r[cType]);
    EXPECT_EQ(types_, (std::vector<std::string>{"win.ini=Configuration <b>Settings</b>", "notepad.exe=",
                                                "archive.tar.mp3=MP3 Audio", "README="}));
}

TEST(ReportWalkerValues, AttributeLettersAndExtensionKeys) {
    EXPECT_EQ(ReportAttributeLetters(0), "");
    EXPECT_EQ(ReportAttributeLetters(0x3F), "RHSVDA");
    EXPECT_EQ(ReportAttributeLetters(faArchive | faHidden | faReadOnly), "RHA");
    EXPECT_EQ(ReportAttributeLetters(faNormal | faReparsePoint | 0x800 | 0x4000), "");
    EXPECT_EQ(FileExtensionKey("notes.TXT"), ".txt");
    EXPECT_EQ(FileExtensionKey("a.tar.gz"), ".gz");
    EXPECT_EQ(FileExtensionKey("Makefile"), "");
    EXPECT_EQ(FileExtensionKey("dot."), ".");
}

// Real files through the system's listing.
class ReportWalkerDisk : public ::testing::Test {
protected:
    vstest::TTempDir FTemp;
    std::vector<Row> Walk(const std::string& mask = "*.*") { return Collect(SystemDirLister(), FTemp.Utf8(), mask); }
    const Row* Find(const std::vector<Row>& rows, const std::string& name) {
        for (const Row& r : rows)
            if (r[cName] == name) return &r;
        return nullptr;
    }
};

TEST_F(ReportWalkerDisk, SizesBeyond4GiBAreWrittenInFull) {
    if (!vstest::MakeSparseFile(FTemp.Path() / "big.iso", 5ull << 30)) GTEST_SKIP() << "no sparse files here";
    FTemp.WriteFile("sub/small.txt", 1234);
    auto rows = Walk();
    ASSERT_TRUE(Find(rows, "big.iso"));
    EXPECT_EQ((*Find(rows, "big.iso"))[cSize], "5368709120");
    ASSERT_TRUE(Find(rows, "small.txt"));
    EXPECT_EQ((*Find(rows, "small.txt"))[cSize], "1234");
    EXPECT_EQ((*Find(rows, "small.txt"))[cFolder], FTemp.Utf8() + static_cast<char>(SystemDirLister().Separator()) + "sub");
}

TEST_F(ReportWalkerDisk, TimesAreLocalAtTwoSecondResolution) {
    const fs::path odd = FTemp.WriteFile("odd.txt", 1), even = FTemp.WriteFile("even.txt", 1);
    const std::int64_t t7 = LocalToFileTime(2024, 3, 15, 14, 3, 7), t6 = LocalToFileTime(2024, 3, 15, 14, 3, 6);
    ASSERT_NE(t7, 0);
    ASSERT_TRUE(SetWriteTime(odd, t7) && SetWriteTime(even, t6));
    auto rows = Walk();
    ASSERT_TRUE(Find(rows, "odd.txt") && Find(rows, "even.txt"));
    const std::string text = (*Find(rows, "odd.txt"))[cModified];
    EXPECT_EQ(text, LocalDateTimeText(t6, false));
    EXPECT_EQ(text, (*Find(rows, "even.txt"))[cModified]);
    EXPECT_NE(text.find("03:06"), std::string::npos) << text;
    EXPECT_EQ(text.find("03:07"), std::string::npos) << text;
    // Midnight shows the date alone.
    EXPECT_EQ(LocalDateTimeText(LocalToFileTime(2024, 3, 15, 0, 0, 1), true),
              LocalDateTimeText(LocalToFileTime(2024, 3, 15, 12, 0, 0), false).substr(0, text.find(' ')));
}

TEST_F(ReportWalkerDisk, DotNamesAndEverythingBelowThemAreLeftOut) {
    FTemp.WriteFile(".profile", 1);
    FTemp.WriteFile(".cache/inside.txt", 1);
    FTemp.WriteFile("keep/.hidden.txt", 1);
    FTemp.WriteFile("keep/shown.txt", 1);
    FTemp.WriteFile("Жук 日本.txt", 3);
    auto rows = Walk();
    std::vector<std::string> names = Column(rows, cName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"shown.txt", "Жук 日本.txt"}));
}

TEST_F(ReportWalkerDisk, LinkBackIntoTheTreeIsNotFollowed) {
    FTemp.WriteFile("a/b/file.txt", 5);
    if (!vstest::MakeFolderLink(FTemp.Path() / "a" / "b" / "up", FTemp.Path() / "a"))
        GTEST_SKIP() << "no folder links here";
    std::vector<std::string> statuses;
    TFileRows rows0;
    rows0.Add(kHeader);
    TCollectOptions options;
    options.OnFolder = [&](const std::string& f) {
        statuses.push_back(f);
        if (statuses.size() > 20) throw Exception("the walk loops: " + f);
    };
    ASSERT_NO_THROW(CollectFiles(FTemp.Utf8(), "*.*", rows0, true, options));
    EXPECT_EQ(statuses.size(), 3u);
    auto rows = Walk();
    EXPECT_EQ(Column(rows, cName), (std::vector<std::string>{"file.txt"}));
    EXPECT_TRUE(vstest::RemoveFolderLink(FTemp.Path() / "a" / "b" / "up"));
    std::error_code ec;
    EXPECT_FALSE(fs::exists(FTemp.Path() / "a" / "b" / "up", ec));
}

TEST(ReportTables, RowsKeepEveryCellAndStayCompact) {
    TFileRows rows;
    const std::string big(3 << 20, 'x');  // larger than a block
    rows.Add({"", "a", "", "b"});
    rows.Add({big, "tail"});
    rows.Add(std::vector<std::string_view>{});
    for (int i = 0; i < 100000; ++i) rows.Add({"file.txt", "1234", "", "", "", "", "2024-03-15 14:03:06", "A", "/x"});
    EXPECT_EQ(rows.RowTexts(0), (Row{"", "a", "", "b"}));
    EXPECT_EQ(rows.RowTexts(1), (Row{big, "tail"}));
    EXPECT_EQ(rows.CellCount(2), 0u);
    EXPECT_EQ(rows.RowTexts(100002)[6], "2024-03-15 14:03:06");
    // 41 bytes of text a row; the bound allows the index and the cell lengths plus block slack.
    const double perRow = static_cast<double>(rows.MemoryBytes() - (4u << 20)) / 100000.0;
    EXPECT_LT(perRow, 41 + 40) << perRow;
}

}  // namespace
