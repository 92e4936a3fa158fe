// The main window's side of live refresh, on the real window under Wine: a change on disk in the
// current folder reaches the list and the window's handler, which stays bound through the one-shot
// 10,000 ms timer; the folder combo box shows the list's folder and opens what is picked.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace {

class MainFormLive : public uitest::TMainFormTest {
protected:
    void SetUp() override {
        Dir.WriteFile("sub\\a.bin", 100);
        Dir.WriteFile("gone.txt", 10);
        TMainFormTest::SetUp();
    }
    int Row(const std::string& caption) const {
        for (int i = 0; i < F->StShellListView1->ItemCount(); ++i)
            if (F->StShellListView1->Item(i).Caption == caption) return i;
        return -1;
    }
    std::string ComboPath() const {
        int i = F->StShellComboBox1->ItemIndex();
        return i >= 0 ? F->StShellComboBox1->Entries().At(i).Path : "<none>";
    }
    vstest::TTempDir Dir;
};

}  // namespace

TEST_F(MainFormLive, DeletingAFileInTheCurrentFolderReachesTheListAndTheWindow) {
    F->OpenFolder(Dir.Utf8());
    uitest::Pump(200);
    ASSERT_GE(Row("gone.txt"), 0);
    EXPECT_EQ(nullptr, F->ShellChangeTimer());
    std::filesystem::remove(Dir.Path() / "gone.txt");
    uitest::PumpUntil([&] { return Row("gone.txt") < 0; });
    EXPECT_LT(Row("gone.txt"), 0);
    uitest::Pump(100);
    // The window's handler ran: its timer is running.
    TTimer* timer = F->ShellChangeTimer();
    ASSERT_NE(nullptr, timer);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(timer->OneShot());
    EXPECT_EQ(10000u, timer->Interval());
    EXPECT_EQ(F, timer->Owner());

    // When the timer fires it binds the handler again.
    F->StShellListView1->OnShellChangeNotify = nullptr;
    timer->SetEnabled(false);
    timer->OnTimer(timer);
    EXPECT_TRUE(static_cast<bool>(F->StShellListView1->OnShellChangeNotify));
}

TEST_F(MainFormLive, TheComboBoxShowsTheListsFolderAndOpensWhatIsPicked) {
    EXPECT_EQ("StShellComboBox1", F->StShellComboBox1->Name());
    EXPECT_TRUE(F->StShellComboBox1->Linked());
    F->OpenFolder(Dir.Utf8() + "\\sub");
    uitest::Pump(100);
    EXPECT_EQ(Dir.Utf8() + "\\sub", ComboPath());
    // Picking the drive opens it in the list.
    const int c = F->StShellComboBox1->Entries().IndexOfPath("C:\\");
    ASSERT_GE(c, 0);
    F->StShellComboBox1->PickEntry(c);
    uitest::Pump(100);
    EXPECT_EQ("C:\\", F->CurrentFolderPath());
    EXPECT_EQ("C:\\", ComboPath());
}
