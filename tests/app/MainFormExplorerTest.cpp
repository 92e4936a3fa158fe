// The main window's explorer pane: the folder list as the window sets it up, the first listing, and
// the splash hand-over it drives.
#include <gtest/gtest.h>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "platform/Locale.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace {

class MainFormExplorer : public uitest::TMainFormTest {};

TEST_F(MainFormExplorer, FolderListHasTheWindowsSettings) {
    TStShellListView* l = F->StShellListView1;
    EXPECT_FALSE(l->CalcFolderSize());
    EXPECT_EQ(l->FileFilter(), "*.*");
    EXPECT_TRUE(l->Filtered());
    EXPECT_TRUE(l->OpenDialogMode());
    EXPECT_EQ(l->Optimization(), otDisplay);
    EXPECT_EQ(l->Options(), loAllowRename | loAllowDrag | loAllowDrop | loExtendedMenu | loShellMenu | loShowHidden);
    EXPECT_EQ(l->CompressedColor(), clBlue);
    EXPECT_EQ(l->SpecialRootFolder(), sfNone);
    EXPECT_EQ(l->ViewStyle(), vsReport);
    EXPECT_EQ(l->Parent(), F->Panel7);
    EXPECT_EQ(l->Align(), alClient);
}

TEST_F(MainFormExplorer, CommandLineFolderIsListedAndEndsTheSplash) {
    vstest::TTempDir dir;
    dir.WriteFile("a.txt", 10);
    dir.MakeDir("sub");
    SplashForm = new TSplashForm(nullptr);
    SplashForm->AfterConstruction();
    F->Params = {dir.Utf8()};
    F->FormShow(F);
    EXPECT_EQ(F->StShellListView1->ItemCount(), 2);
    EXPECT_TRUE(SameText(F->CurrentFolderPath(), dir.Utf8()));
    EXPECT_EQ(SplashForm, nullptr);
    // Folder sizes follow the command, through the filter handler, on the next listing.
    F->actFolderSizes->Execute();
    EXPECT_TRUE(F->StShellListView1->CalcFolderSize());
    // The folder's figures come from the walk, through the message loop.
    ASSERT_TRUE(uitest::PumpUntil([&] { return !F->StShellListView1->Model().Walking(); }, 20000));
    TListItemData sub = F->StShellListView1->Item(0);
    EXPECT_EQ(sub.Caption, "sub");
    EXPECT_EQ(sub.SubItems[0], "0KB");
    EXPECT_EQ(sub.SubItems[3], "0");
}

TEST_F(MainFormExplorer, WithoutAParameterTheDrivesAreListed) {
    F->Params.clear();
    F->FormShow(F);
    EXPECT_EQ(F->StShellListView1->SpecialRootFolder(), sfDrives);
    bool hasC = false;
    for (int i = 0; i < F->StShellListView1->Model().AllRows().Count(); ++i)
        hasC = hasC || F->StShellListView1->Model().AllRows().Items(i)->Path == "C:\\";
    EXPECT_TRUE(hasC);
}

TEST_F(MainFormExplorer, AnUnusableFolderRaisesInvalidFolder) {
    F->Params = {"Q:\\not\\here"};
    EXPECT_THROW(F->FormShow(F), ESsInvalidFolder);
    EXPECT_TRUE(F->StShellListView1->RootFolder().empty());
}

}  // namespace
