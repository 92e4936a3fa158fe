// The private-profile service: both backends answer the same questions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/Profile.h"
#include "support/TestSupport.h"

namespace {

std::string Write(const vstest::TTempDir& dir, const std::string& name, const std::string& text) {
    auto file = dir.Path() / name;
    std::ofstream(file, std::ios::binary) << text;
    return vstest::PathUtf8(file);
}

std::string Read(const std::string& path) { return vstest::ReadFileText(vstest::Utf8Path(path)); }

using TNames = std::vector<std::string>;

TEST(PlatformProfile, MissingFileSectionOrKeyReadsAsEmpty) {
    vstest::TTempDir dir;
    std::string missing = vstest::PathUtf8(dir.Path() / "none.ini");
    EXPECT_EQ(ProfileKeyNames(missing, "filters"), TNames{});
    EXPECT_EQ(ProfileReadString(missing, "filters", "0"), "");
    std::string file = Write(dir, "a.ini", "[other]\r\n0=x\r\n");
    EXPECT_EQ(ProfileKeyNames(file, "filters"), TNames{});
    EXPECT_EQ(ProfileReadString(file, "other", "1"), "");
}

TEST(PlatformProfile, KeysInFileOrderWithDuplicatesAndCaseBlindLookup) {
    vstest::TTempDir dir;
    std::string file = Write(dir, "a.ini",
                             "[first]\r\nz=1\r\n[Filters]\r\nb=*.b\r\n  a = *.a  \r\nB=second\r\nq=\"quoted\"\r\n"
                             "[last]\r\ny=2\r\n");
    EXPECT_EQ(ProfileKeyNames(file, "filters"), (TNames{"b", "a", "B", "q"}));
    EXPECT_EQ(ProfileReadString(file, "FILTERS", "a"), "*.a");     // blanks trimmed
    EXPECT_EQ(ProfileReadString(file, "filters", "B"), "*.b");     // first key of the name wins
    EXPECT_EQ(ProfileReadString(file, "filters", "q"), "quoted");  // quotes dropped
    EXPECT_EQ(ProfileReadString(file, "last", "y"), "2");
}

TEST(PlatformProfile, ValueAfterFirstEqualsSignAndCutToLimit) {
    vstest::TTempDir dir;
    std::string file = Write(dir, "a.ini", "[s]\r\nx=a=b\r\nlong=" + std::string(3000, 'v') + "\r\n");
    EXPECT_EQ(ProfileReadString(file, "s", "x"), "a=b");
    EXPECT_EQ(ProfileReadString(file, "s", "long").size(), 2047u);
    EXPECT_EQ(ProfileReadString(file, "s", "long", 10), std::string(10, 'v'));
}

TEST(PlatformProfile, KeyNamesStopAtTheCharacterLimit) {
    vstest::TTempDir dir;
    std::string text = "[s]\r\n";
    for (int i = 0; i < 100; ++i) text += "key" + std::to_string(100 + i) + "=v\r\n";  // 6 characters + zero each
    std::string file = Write(dir, "a.ini", text);
    EXPECT_EQ(ProfileKeyNames(file, "s").size(), 100u);
    // Four names of 7 characters and the closing zero fit into 29; a cut fifth name is not given.
    TNames few = ProfileKeyNames(file, "s", 30);
    ASSERT_EQ(few.size(), 4u);
    EXPECT_EQ(few[0], "key100");
    EXPECT_EQ(few[3], "key103");
    EXPECT_EQ(ProfileKeyNames(file, "s", 36).size(), 5u);
    EXPECT_EQ(ProfileKeyNames(file, "s", 35).size(), 4u);
}

TEST(PlatformProfile, WriteStringCreatesFileAndSectionThenReplacesInPlace) {
    vstest::TTempDir dir;
    std::string file = vstest::PathUtf8(dir.Path() / "new.ini");
    ASSERT_TRUE(ProfileWriteString(file, "filters", "0", "*.*"));
    ASSERT_TRUE(ProfileWriteString(file, "filters", "1", "*.bak"));
    EXPECT_EQ(ProfileKeyNames(file, "filters"), (TNames{"0", "1"}));
    ASSERT_TRUE(ProfileWriteString(file, "FILTERS", "0", "*.doc"));
    EXPECT_EQ(ProfileKeyNames(file, "filters"), (TNames{"0", "1"}));
    EXPECT_EQ(ProfileReadString(file, "filters", "0"), "*.doc");
    ASSERT_TRUE(ProfileWriteString(file, "other", "k", "v"));
    EXPECT_EQ(ProfileReadString(file, "other", "k"), "v");
    EXPECT_EQ(ProfileReadString(file, "filters", "1"), "*.bak");
}

TEST(PlatformProfile, WriteStringAppendsToItsOwnSectionNotTheNext) {
    vstest::TTempDir dir;
    std::string file = Write(dir, "a.ini", "[filters]\r\na=1\r\n\r\n[next]\r\nb=2\r\n");
    ASSERT_TRUE(ProfileWriteString(file, "filters", "c", "3"));
    EXPECT_EQ(ProfileKeyNames(file, "filters"), (TNames{"a", "c"}));
    EXPECT_EQ(ProfileKeyNames(file, "next"), TNames{"b"});
}

TEST(PlatformProfile, WriteSectionReplacesOnlyThatSection) {
    vstest::TTempDir dir;
    std::string file =
        Write(dir, "a.ini", "[head]\r\nh=1\r\n[filters]\r\na=*.doc\r\nb=*.xls\r\n7=*.old\r\n[tail]\r\nt=2\r\n");
    ASSERT_TRUE(ProfileWriteSection(file, "filters", {{"0", "*.x"}, {"1", "*.y"}}));
    EXPECT_EQ(ProfileKeyNames(file, "filters"), (TNames{"0", "1"}));
    EXPECT_EQ(ProfileReadString(file, "filters", "1"), "*.y");
    EXPECT_EQ(ProfileReadString(file, "head", "h"), "1");
    EXPECT_EQ(ProfileReadString(file, "tail", "t"), "2");
    std::string text = Read(file);
    EXPECT_EQ(text.find("*.doc"), std::string::npos) << text;
    EXPECT_EQ(text.find("*.old"), std::string::npos) << text;
}

TEST(PlatformProfile, WriteSectionCreatesTheFile) {
    vstest::TTempDir dir;
    std::string file = vstest::PathUtf8(dir.Path() / "fresh.ini");
    ASSERT_TRUE(ProfileWriteSection(file, "filters", {{"0", "*.*"}}));
    EXPECT_EQ(ProfileReadString(file, "filters", "0"), "*.*");
    EXPECT_NE(Read(file).find("[filters]"), std::string::npos);
}

TEST(PlatformProfile, WritesIntoAnUnwritablePlaceFail) {
    vstest::TTempDir dir;
    std::string inMissingFolder = vstest::PathUtf8(dir.Path() / "no" / "such" / "x.ini");
    EXPECT_FALSE(ProfileWriteString(inMissingFolder, "s", "k", "v"));
    EXPECT_FALSE(ProfileWriteSection(inMissingFolder, "s", {{"k", "v"}}));
    // A folder where the file should be cannot be written either.
    std::string folder = vstest::PathUtf8(dir.MakeDir("taken.ini"));
    EXPECT_FALSE(ProfileWriteString(folder, "s", "k", "v"));
    EXPECT_FALSE(ProfileWriteSection(folder, "s", {{"k", "v"}}));
}

}  // namespace
