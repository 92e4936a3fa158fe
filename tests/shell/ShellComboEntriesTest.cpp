// The folder combo box's entries read from Wine's shell namespace: the desktop, its folders and the
// drives in the desktop's order, open-dialog pruning, and the inserted chain that shows a path.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "platform/FsFixture.h"
#include "shell/ShellComboEntries.h"
#include "support/TestSupport.h"

namespace {

class ComboEntries : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void SetUp() override { std::filesystem::create_directories("C:\\a\\b"); }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all("C:\\a", ec);
    }
    // The entries as "level:text" with a * for inserted ones.
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (int i = 0; i < E.Count(); ++i)
            out.push_back(std::to_string(E.At(i).Level) + ":" + E.At(i).DisplayName + (E.At(i).Inserted ? "*" : ""));
        return out;
    }
    TStShellComboEntries E;
};

}  // namespace

TEST_F(ComboEntries, DesktopFirstThenItsFoldersWithTheDrivesBelowTheComputer) {
    E.Fill(false);
    ASSERT_GT(E.Count(), 3);
    // The entries go with any failure below instead of into every run's output.
    std::string shown = "entries:";
    for (const auto& s : Shown()) shown += "\n  " + s;
    SCOPED_TRACE(shown);
    EXPECT_TRUE(E.At(0).IsDesktop());
    EXPECT_EQ(0, E.At(0).Level);
    int c = E.IndexOfPath("C:\\");
    ASSERT_GT(c, 0);
    EXPECT_EQ(2, E.At(c).Level);
    // The computer folder (level 1) comes right before its drives.
    int first = c;
    while (first > 0 && E.At(first - 1).Level == 2) --first;
    EXPECT_EQ(1, E.At(first - 1).Level);
    for (int i = 1; i < E.Count(); ++i) EXPECT_GE(E.At(i).Level, 1);
    for (int i = 0; i < E.Count(); ++i) EXPECT_GE(E.At(i).IconIndex, 0) << E.At(i).DisplayName;
}

TEST_F(ComboEntries, OpenDialogModeKeepsFileSystemFoldersTheComputerAndTheNetwork) {
    E.Fill(false);
    int all = E.Count();
    E.Fill(true);
    EXPECT_LE(E.Count(), all);
    EXPECT_TRUE(E.At(0).IsDesktop());
    for (int i = 1; i < E.Count(); ++i) {
        const auto& e = E.At(i);
        if (e.FileSystem) continue;
        // Only the computer and network folders stay without being in the file system.
        EXPECT_EQ(1, e.Level) << e.DisplayName;
        PIDLIST_ABSOLUTE drives = nullptr, network = nullptr;
        ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
        ::SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network);
        EXPECT_TRUE(::ILIsEqual(e.IdList.get(), drives) || (network && ::ILIsEqual(e.IdList.get(), network)))
            << e.DisplayName;
        ::CoTaskMemFree(drives);
        ::CoTaskMemFree(network);
    }
    EXPECT_GE(E.IndexOfPath("C:\\"), 0);
}

TEST_F(ComboEntries, ShowingAPathInsertsItsChainAndGoingElsewhereRemovesIt) {
    E.Fill(false);
    const int before = E.Count();
    const int c = E.IndexOfPath("C:\\");
    ASSERT_GE(c, 0);

    auto ab = TStComboFolder::FromPath("C:\\a\\b");
    ASSERT_TRUE(ab);
    int shown = E.ShowPath(*ab);
    ASSERT_EQ(before + 2, E.Count());
    EXPECT_EQ(c + 2, shown);
    EXPECT_EQ("3:a*", Shown()[c + 1]);
    EXPECT_EQ("4:b*", Shown()[c + 2]);
    EXPECT_EQ("C:\\a", E.At(c + 1).Path);

    // Showing it again changes nothing.
    EXPECT_EQ(c + 2, E.ShowPath(*ab));
    EXPECT_EQ(before + 2, E.Count());

    // Up one level: only a stays.
    auto a = TStComboFolder::FromPath("C:\\a");
    EXPECT_EQ(c + 1, E.ShowPath(*a));
    EXPECT_EQ(before + 1, E.Count());

    // Another drive's root has an entry of its own: the inserted ones go.
    auto z = TStComboFolder::FromPath("Z:\\");
    ASSERT_TRUE(z);
    int zi = E.ShowPath(*z);
    EXPECT_EQ(before, E.Count());
    ASSERT_GE(zi, 0);
    EXPECT_EQ("Z:\\", E.At(zi).Path);
    for (int i = 0; i < E.Count(); ++i) EXPECT_FALSE(E.At(i).Inserted);
}

// A folder 1,500 levels down: the shell parses and binds such a path one level inside the next (under
// Wine by nested calls, which exhaust the stack); the box reads it a level at a time, with its full path.
TEST_F(ComboEntries, FolderFarBelowMaxPathIsReadWithItsFullPath) {
    vstest::TTempDir temp;
    const vstest::TDeepChain chain(temp.Path(), "d", 1500);
    ASSERT_FALSE(chain.Deepest().empty());
    auto folder = TStComboFolder::FromPath(chain.Deepest());
    ASSERT_TRUE(folder);
    EXPECT_EQ(chain.Deepest(), folder->Path);
    EXPECT_EQ("d", folder->DisplayName);
    auto top = TStComboFolder::FromPath(temp.Utf8());
    ASSERT_TRUE(top);
    EXPECT_EQ(IdListDepth(top->IdList.get()) + 1500, IdListDepth(folder->IdList.get()));
}
