// The folder list's name order under Wine: the logical comparison against the shell's own
// StrCmpLogicalW, and the rows of a real folder after clicks on the column headers.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shlwapi.h>

#include "platform/WinText.h"
#include "shell/FolderRows.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(LogicalOrder, AgreesWithTheShell) {
    const char* const pairs[][2] = {
        {"file2.txt", "file10.txt"},
        {"file10.txt", "file2.txt"},
        {"File2", "file2"},
        {"a", "B"},
        {"2string", "3string"},
        {"20string", "st2ring"},
        {"st20ring", "string2"},
        {"string3", "string20"},
        {"x9y", "x10"},
        {"x", "x1"},
        {"x1", "x1a"},
        {"x1b", "x1A"},
        {"a 1", "a1"},
        {"a_b", "ab"},
        {"a.b", "a_b"},
        {"a(2)", "a(10)"},
        {"v1.9.3", "v1.10.0"},
        {"007", "7"},
        {"1000000", "999999"},
        {"Report 5", "report 05"},
        {"", "a"},
        {"", ""},
        {"Zeta", "alpha"},
        {"abc123def", "abc123DEF4"},
    };
    for (const auto& p : pairs) {
        const int shell = ::StrCmpLogicalW(Widen(p[0]).c_str(), Widen(p[1]).c_str());
        EXPECT_EQ(Sign(CompareLogical(p[0], p[1])), Sign(shell)) << '"' << p[0] << "\" vs \"" << p[1] << '"';
    }
}

class ShellListSort : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"file10.txt", "file2.txt", "File3.txt", "file1.txt", "file20b.txt"})
            Dir.WriteFile(name, 10);
        Dir.WriteFile("dir10\\x", 1);
        Dir.MakeDir("Dir9");
        Dir.MakeDir("dir100");
        Form = uitest::HostForm(700, 400);
        List = new TStShellListView(Form.get(), Form.get());
        List->SetAlign(alClient);
        Form->Show();
        uitest::TakeBoxes();
    }
    void TearDown() override {
        Form.reset();
        uitest::Pump();
        EXPECT_TRUE(uitest::TakeBoxes().empty());
    }
    // A mouse click on a column header.
    void ClickHeader(int column) { ASSERT_TRUE(uitest::ClickListHeader(List->Handle(), column)); }
    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (int i = 0; i < List->ItemCount(); ++i) out.push_back(List->Item(i).Caption);
        return out;
    }

    vstest::TTempDir Dir;
    std::unique_ptr<TForm> Form;
    TStShellListView* List = nullptr;
};

TEST_F(ShellListSort, NameColumnSortsNumbersByValueFoldersFirst) {
    const std::vector<std::string> byName = {"Dir9",      "dir10",     "dir100",     "file1.txt",
                                             "file2.txt", "File3.txt", "file10.txt", "file20b.txt"};
    List->SetRootFolder(Dir.Utf8());
    EXPECT_EQ(Captions(), byName);  // a fill sorts by name
    ClickHeader(1);                 // Size
    ASSERT_EQ(List->Model().SortColumn(), 1);
    ASSERT_NE(Captions(), byName);
    ClickHeader(0);  // Name again: sorted anew
    EXPECT_EQ(List->Model().SortColumn(), 0);
    EXPECT_EQ(Captions(), byName);
    ClickHeader(0);  // and reversed
    EXPECT_FALSE(List->Model().Ascending());
    EXPECT_EQ(Captions(), std::vector<std::string>(byName.rbegin(), byName.rend()));
}

}  // namespace
