// The filter list of the settings file: first start, hand-written files, round trips, failures.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/Settings.h"
#include "platform/Exception.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

namespace {

using TNames = std::vector<std::string>;

std::string Ini(const vstest::TTempDir& dir, const std::string& text = {}) {
    auto file = dir.Path() / "voluscope.ini";
    if (!text.empty()) std::ofstream(file, std::ios::binary) << text;
    return vstest::PathUtf8(file);
}

TEST(AppSettings, ProgramFilesLieBesideTheExecutable) {
    EXPECT_EQ(SettingsFilePath("C:\\Program Files\\Voluscope\\Voluscope.exe"),
              "C:\\Program Files\\Voluscope\\voluscope.ini");
    EXPECT_EQ(ProgramFilePath("/opt/vs/voluscope", "readme.txt"), "/opt/vs/readme.txt");
    EXPECT_EQ(ProgramFilePath("Voluscope.exe", "readme.txt"), "readme.txt");
}

TEST(AppSettings, FirstStartHasNoFiltersThenWritesKeysZeroToFive) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir);
    EXPECT_EQ(LoadFilterSettings(ini), TNames{});
    SaveFilterSettings(ini, DefaultFilters());
    EXPECT_EQ(ProfileKeyNames(ini, "filters"), (TNames{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(ProfileReadString(ini, "filters", "2"), "*.~*");
    EXPECT_EQ(LoadFilterSettings(ini), (TNames{"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3"}));
}

TEST(AppSettings, HandWrittenKeysLoadInFileOrderAndAreNotDoubledBySaving) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\na=*.doc\r\nb=*.xls\r\n");
    TNames loaded = LoadFilterSettings(ini);
    EXPECT_EQ(loaded, (TNames{"*.doc", "*.xls"}));
    SaveFilterSettings(ini, loaded);
    EXPECT_EQ(ProfileKeyNames(ini, "filters"), (TNames{"0", "1"}));
    // The next start offers the same two filters, not four.
    EXPECT_EQ(LoadFilterSettings(ini), (TNames{"*.doc", "*.xls"}));
}

TEST(AppSettings, SavingDropsNumberedKeysBeyondTheCountAndKeepsOtherSections) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[window]\r\nleft=10\r\n[filters]\r\n0=*.a\r\n1=*.b\r\n2=*.c\r\n");
    SaveFilterSettings(ini, {"*.z"});
    EXPECT_EQ(LoadFilterSettings(ini), TNames{"*.z"});
    EXPECT_EQ(ProfileReadString(ini, "window", "left"), "10");
}

TEST(AppSettings, EmptyListLeavesAnEmptySection) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\n0=*.a\r\n1=*.b\r\n");
    SaveFilterSettings(ini, {});
    EXPECT_EQ(LoadFilterSettings(ini), TNames{});
    // On disk too, not only in the system's cache of the file.
    std::string text = vstest::ReadFileText(vstest::Utf8Path(ini));
    EXPECT_EQ(text.find("*.a"), std::string::npos) << text;
}

TEST(AppSettings, AddedFiltersComeBackAfterTheEarlierOnes) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir);
    TNames filters = DefaultFilters();
    filters.push_back("*.log");
    SaveFilterSettings(ini, filters);
    TNames loaded = LoadFilterSettings(ini);
    ASSERT_EQ(loaded.size(), 7u);
    EXPECT_EQ(loaded.back(), "*.log");
}

TEST(AppSettings, ValueKeepsEverythingAfterTheFirstEqualsSign) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\nx=a=b\r\n");
    EXPECT_EQ(LoadFilterSettings(ini), TNames{"a=b"});
    SaveFilterSettings(ini, {"a=b", "c==d"});
    EXPECT_EQ(LoadFilterSettings(ini), (TNames{"a=b", "c==d"}));
}

TEST(AppSettings, EmptyValuesAreSkippedAndTheRestCloseUp) {
    vstest::TTempDir dir;
    EXPECT_EQ(LoadFilterSettings(Ini(dir, "[filters]\r\n0=*.a\r\n1=\r\n2=*.c\r\n3=\r\n")), (TNames{"*.a", "*.c"}));
    vstest::TTempDir dir2;
    EXPECT_EQ(LoadFilterSettings(Ini(dir2, "[filters]\r\n0=\r\n1=\r\n")), TNames{});
}

TEST(AppSettings, RepeatedKeyCountsOnceWithItsFirstValue) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\nk=*.1\r\nj=*.2\r\nK=*.3\r\nl=*.4\r\n");
    EXPECT_EQ(LoadFilterSettings(ini), (TNames{"*.1", "*.2", "*.4"}));
}

TEST(AppSettings, ValueLongerThanTheLimitIsCut) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\n0=" + std::string(2100, 'q') + "\r\n");
    TNames loaded = LoadFilterSettings(ini);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0], std::string(2047, 'q'));
}

TEST(AppSettings, LineBreakInAFilterCannotInjectKeys) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir);
    SaveFilterSettings(ini, {"*.a\r\n99=*.evil", "*.b"});
    TNames loaded = LoadFilterSettings(ini);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[1], "*.b");
    EXPECT_EQ(ProfileKeyNames(ini, "filters"), (TNames{"0", "1"}));
}

// The scan tree's budget: megabytes as written by hand; anything that is not a plain whole number in
// range keeps the default rather than turning the tree off or failing the start.
TEST(AppSettings, TreeBudgetReadsMegabytesAndFallsBackOnAnythingElse) {
    constexpr std::size_t kMB = std::size_t{1} << 20;
    const struct {
        const char* Text;
        std::size_t Budget;
    } cases[] = {
        {"", 2048 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=512\n", 512 * kMB},
        {"[scantree]\nmemorybudgetmb = 0\n", 0},
        {"[ScanTree]\nMemoryBudgetMB=1048576\n", 1048576 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=1048577\n", 2048 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=-1\n", 2048 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=1.5\n", 2048 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=99999999999999999999\n", 2048 * kMB},
        {"[ScanTree]\nMemoryBudgetMB=lots\n", 2048 * kMB},
    };
    for (const auto& c : cases) {
        vstest::TTempDir dir;
        EXPECT_EQ(c.Budget, LoadTreeBudget(Ini(dir, c.Text))) << c.Text;
    }
}

TEST(AppSettings, UnwritableFileReportsItsFullPath) {
    vstest::TTempDir dir;
    // A folder in the file's place stands for a program folder the user may not write to.
    std::string ini = vstest::PathUtf8(dir.MakeDir("voluscope.ini"));
    try {
        SaveFilterSettings(ini, DefaultFilters());
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini);
    }
    std::string missing = vstest::PathUtf8(dir.Path() / "gone" / "voluscope.ini");
    EXPECT_THROW(SaveFilterSettings(missing, {"*.*"}), Exception);
}

TEST(AppSettings, FailedSaveLeavesTheOldFileAsItWas) {
    vstest::TTempDir dir;
    std::string ini = Ini(dir, "[filters]\r\n0=*.keep\r\n");
    auto lock = dir.Path() / "voluscope.ini.~tmp";
    std::filesystem::create_directory(lock);  // blocks the POSIX writer's temporary file
    try {
        SaveFilterSettings(ini, {"*.new"});
    } catch (const Exception&) {
    }
    TNames loaded = LoadFilterSettings(ini);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_TRUE(loaded[0] == "*.keep" || loaded[0] == "*.new");
}

}  // namespace

namespace {

// The history switch: off by default, kept in its own section beside the filters, which it leaves alone.
TEST(AppSettings, KeepHistoryIsOffUntilSwitchedOnAndLeavesTheFiltersAlone) {
    struct TCase {
        const char* File;
        bool Keep;
    };
    const TCase cases[] = {
        {"", false},
        {"[filters]\n0=*.txt\n", false},
        {"[history]\nkeep=1\n", true},
        {"[History]\nKEEP = 1 \n", true},
        {"[history]\nkeep=0\n", false},
        {"[history]\nkeep=yes\n", false},
    };
    for (const auto& c : cases) {
        vstest::TTempDir dir;
        EXPECT_EQ(LoadKeepHistory(Ini(dir, c.File)), c.Keep) << c.File;
    }
    vstest::TTempDir dir;
    const std::string ini = Ini(dir, "[filters]\n0=*.txt\n");
    SaveKeepHistory(ini, true);
    EXPECT_TRUE(LoadKeepHistory(ini));
    SaveKeepHistory(ini, false);
    EXPECT_FALSE(LoadKeepHistory(ini));
    EXPECT_EQ(LoadFilterSettings(ini), TNames{"*.txt"});
    EXPECT_THROW(SaveKeepHistory(vstest::PathUtf8(dir.Path() / "missing" / "voluscope.ini"), true), Exception);
}

}  // namespace
