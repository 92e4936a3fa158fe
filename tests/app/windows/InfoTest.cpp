// The version reader against this test program's own version record (the program's resource script).
#include <gtest/gtest.h>

#include "platform/info.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace {

TEST(WinVersionInfo, FindsTheRecordUnderItsLanguage) {
    TEPInfoExe info;
    info.ExeName = ExeFileName();
    info.LangId = "0C09";
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion, "1.4.1.108");
    EXPECT_EQ(info.FileDescription, "Voluscope");
    EXPECT_EQ(info.ProductName, "Voluscope");
    EXPECT_EQ(info.ProductVersion, "1.4");
    EXPECT_EQ(info.OriginalFilename, "Voluscope.exe");
    EXPECT_FALSE(info.CompanyName.empty());
    EXPECT_FALSE(info.LegalCopyright.empty());
    EXPECT_EQ(info.InternalName, "");
    EXPECT_EQ(info.LegalTradeMarks, "");
    EXPECT_EQ(info.Comments, "");
    EXPECT_EQ("Version " + info.FileVersion, "Version 1.4.1.108");
}

TEST(WinVersionInfo, StartsWithFrenchLanguageAndFindsNoTableThere) {
    TEPInfoExe info;
    EXPECT_EQ(info.LangId, "040C");
    EXPECT_EQ(info.ExeName, "");
    info.ExeName = ExeFileName();
    info.FileVersion = "stale";
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion, "");  // the record is read, the table is missing: texts empty
    EXPECT_EQ(info.ProductName, "");
    EXPECT_EQ(info.CompanyName, "");
}

TEST(WinVersionInfo, FileWithoutRecordLeavesTextsUnchanged) {
    vstest::TTempDir dir;
    TEPInfoExe info;
    info.LangId = "0C09";
    info.FileVersion = "kept";
    info.ExeName = vstest::PathUtf8(dir.WriteFile("plain.txt", 500));
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion, "kept");
    info.ExeName = vstest::PathUtf8(dir.Path() / "missing.exe");
    info.ReadVersionInfo();
    EXPECT_EQ(info.FileVersion, "kept");
}

TEST(WinVersionInfo, ExeFileNameNamesThisProgram) {
    std::string path = ExeFileName();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_NE(path.find('\\'), std::string::npos);
}

}  // namespace
