// "Keep Scan History" in the real main window under Wine: switched on from the menu, a folder totalled
// with folder sizes on is kept in the user's history (LOCALAPPDATA pointed at a temporary folder), off
// keeps nothing, the state outlives a restart, and a history that cannot be written is said once.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainFormTestSupport.h"
#include "app/Settings.h"
#include "platform/WinText.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

class History : public ::testing::Test {
protected:
    vstest::TTempDir User, Dir, Elsewhere;
    uitest::TScopedEnv Local{L"LOCALAPPDATA", Widen(User.Utf8()).c_str()};
    fs::path Ini = vstest::Utf8Path(SettingsFilePath(ExeFileName()));
    TMainForm* F = nullptr;

    void SetUp() override {
        std::error_code ec;
        fs::remove(Ini, ec);
        Dir.WriteFile("top.txt", 100);
        Dir.WriteFile("Tree\\a.bin", 3000);
        Dir.WriteFile("Tree\\deep\\b.bin", 5000);
        Dir.WriteFile("Other\\c.bin", 700);
        NewForm();
    }
    void TearDown() override {
        delete F;
        uitest::DeleteStartupWindows();
        uitest::Pump();
        std::error_code ec;
        fs::remove(Ini, ec);
    }
    void NewForm() {
        delete F;
        F = Application->CreateForm<TMainForm>();
        uitest::TakeBoxes();
    }
    // Opens the folder with folder sizes on and waits until the figures of its sub-folders are in and the
    // keeper is done.
    void Total(const std::string& folder) {
        if (!F->actFolderSizes->Checked()) F->actFolderSizes->Execute();
        F->OpenFolder(folder);
        const TFolderModel& model = F->StShellListView1->Model();
        TFolderTotals totals;
        ASSERT_TRUE(uitest::PumpUntil(
            [&] {
                return model.Figures(folder + "\\Tree", totals) && model.Figures(folder + "\\Other", totals) &&
                       model.State() != TFiguresState::Running && F->KeepingHistoryIdle();
            },
            10000));
        uitest::Pump(50);
    }
    std::vector<fs::path> Kept() {
        std::vector<fs::path> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(User.Path() / "Voluscope" / "Scans", ec)) out.push_back(e.path());
        return out;
    }
    int IndexInMenu(TMenuItem* item) {
        for (int i = 0; i < F->PrintPopup->Count(); ++i)
            if (F->PrintPopup->Items(i) == item) return i;
        return -1;
    }
};

TEST_F(History, KeepsCompletedWalksWhileSwitchedOnAndTheStateOutlivesARestart) {
    // Off until switched on; beside the other scan commands.
    EXPECT_FALSE(F->actKeepHistory->Checked());
    EXPECT_EQ(F->KeepHistory1->Caption(), "Keep Scan History");
    EXPECT_EQ(IndexInMenu(F->KeepHistory1), IndexInMenu(F->CompareWith1) + 1);
    Total(Dir.Utf8());
    EXPECT_TRUE(Kept().empty());

    F->KeepHistory1->Click();
    EXPECT_TRUE(F->actKeepHistory->Checked());
    // Changed while another folder is shown, so that the list's own watch of the folder walks it no more
    // than once.
    F->OpenFolder(Elsewhere.Utf8());
    uitest::Pump();
    Dir.WriteFile("Tree\\deep\\new.bin", 1000);
    Dir.WriteFile("Other\\d.bin", 1);
    FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Tree\\deep\\new.bin", false);
    FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Other\\d.bin", false);
    Total(Dir.Utf8());
    // Each sub-folder's walk is kept, as a scan of that folder with what the list shows for it, and then
    // the folder shown itself.
    const std::vector<fs::path> kept = Kept();
    std::vector<std::string> roots;
    for (const fs::path& file : kept) {
        const TImportedScan scan = ImportScan(vstest::PathUtf8(file));
        roots.push_back(scan.Path);
        const TScanReader reader(*scan.Tree);
        const TFolderTotals shown = FolderSizeService().Totals(scan.Path, "*.*");
        EXPECT_EQ(reader.Folder(scan.Root)->Total.Size, shown.Size) << scan.Path;
        EXPECT_EQ(reader.Folder(scan.Root)->Total.Files, shown.Count) << scan.Path;
    }
    std::sort(roots.begin(), roots.end());
    ASSERT_EQ(roots, (std::vector<std::string>{Dir.Utf8(), Dir.Utf8() + "\\Other", Dir.Utf8() + "\\Tree"}));
    EXPECT_EQ(FolderSizeService().Totals(Dir.Utf8() + "\\Tree", "*.*").Size, 9000);
    // "Compare With..." lists the scans of the folder and those above it: one in the folder totalled,
    // two below its sub-folder.
    for (const auto& [folder, scans] : {std::pair{Dir.Utf8(), 1}, std::pair{Dir.Utf8() + "\\Tree\\deep", 2}}) {
        F->OpenFolder(folder);
        uitest::Pump();
        F->CompareMenu->OnPopup(F->CompareMenu);
        int listed = 0;
        for (int i = 0; i < F->CompareMenu->Count(); ++i)
            if (F->CompareMenu->Items(i)->Caption().rfind("Scan of ", 0) == 0) ++listed;
        EXPECT_EQ(listed, scans) << folder;
    }

    // Across a restart the command stays on; switched off, a new walk adds nothing, and stays off.
    NewForm();
    EXPECT_TRUE(F->actKeepHistory->Checked());
    F->KeepHistory1->Click();
    EXPECT_FALSE(F->actKeepHistory->Checked());
    Dir.WriteFile("Tree\\later.bin", 10);
    FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Tree\\later.bin", false);
    Total(Dir.Utf8());
    EXPECT_EQ(FolderSizeService().Totals(Dir.Utf8() + "\\Tree", "*.*").Size, 9010);
    EXPECT_EQ(Kept().size(), 3u);
    NewForm();
    EXPECT_FALSE(F->actKeepHistory->Checked());
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST_F(History, AHistoryThatCannotBeWrittenIsSaidOnceAndTheListGoesOn) {
    std::ofstream(User.Path() / "Voluscope") << "a file where the history's folder should be";
    NewForm();
    F->KeepHistory1->Click();
    std::vector<uitest::TShownBox> boxes;
    for (const char* folder : {"Tree", "Other"}) {
        Dir.WriteFile(std::string(folder) + "\\more.bin", 10);
        FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\" + folder + "\\more.bin", false);
        Total(Dir.Utf8());
        for (uitest::TShownBox& b : uitest::TakeBoxes()) boxes.push_back(b);
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text.rfind("The scan could not be kept in the history. Cannot make the scan history folder", 0),
              0u)
        << boxes[0].Text;
    // The figures came all the same.
    EXPECT_EQ(FolderSizeService().Totals(Dir.Utf8() + "\\Other", "*.*").Size, 710);
}

}  // namespace
