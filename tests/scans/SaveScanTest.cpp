// "Save Scan..." in the real main window under Wine: what is written, the stop, and the refusals.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/MainFormTestSupport.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

class SaveScan : public uitest::TMainFormTest {
protected:
    vstest::TTempDir Dir, Out;
    void SetUp() override {
        TMainFormTest::SetUp();
        for (int f = 0; f < 6; ++f)
            for (int i = 0; i < 5; ++i)
                Dir.WriteFile("f" + std::to_string(f) + "\\sub\\file" + std::to_string(i) + ".bin", 100 * (i + 1));
        Dir.WriteFile("top.txt", 7);
        F->OpenFolder(Dir.Utf8());
        uitest::Pump();
    }
    // Waits for the running save to end: the command's caption comes back.
    static TScanTotals TotalsOf(const TImportedScan& scan) {
        const TScanReader reader(*scan.Tree);
        return reader.Folder(scan.Root)->Total;
    }
};

TEST_F(SaveScan, WritesTheFolderTreeChosenInTheDialog) {
    const std::string target = Out.Utf8() + "\\saved.json.gz";
    std::string title;
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        title = d.Title;
        d.FileName = target;
        return true;
    });
    F->SaveScan1->Click();
    ASSERT_TRUE(SaveScanEnded());
    EXPECT_EQ(title, "Save Scan");
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    const TImportedScan scan = ImportScan(target);
    const TFolderTotals disk = FolderSizeService().Totals(Dir.Utf8(), "*.*");
    EXPECT_EQ(TotalsOf(scan), (TScanTotals{disk.Size, disk.Used, disk.Count}));
    EXPECT_EQ(scan.Files, 31);
    EXPECT_EQ(scan.Path, Dir.Utf8());
    EXPECT_EQ(F->actSaveScan->Caption(), "Save Scan...");
    EXPECT_FALSE(ProgressForm && ::IsWindowVisible(ProgressForm->Handle()));
}

// The window's thread does not wait for the save: the command returns at once, with the progress window
// up, and the window goes on handling messages until the worker says it has ended.
TEST_F(SaveScan, TheWindowKeepsRunningWhileItSaves) {
    const std::string target = Out.Utf8() + "\\running.json";
    // The walk cannot put its listings in the scan tree while a reader holds it: the save cannot end
    // before the timer lets the reader go.
    static std::unique_ptr<TScanReader> hold;
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        d.FileName = target;
        hold = std::make_unique<TScanReader>(FolderSizeService().ScanTree());
        ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            hold.reset();
        });
        return true;
    });
    F->SaveScan1->Click();
    EXPECT_EQ(F->actSaveScan->Caption(), "Stop Saving Scan");
    EXPECT_TRUE(!ProgressForm || ::IsWindowVisible(ProgressForm->Handle()));
    ASSERT_TRUE(SaveScanEnded());
    EXPECT_FALSE(hold);
    EXPECT_EQ(ImportScan(target).Files, 31);
    EXPECT_FALSE(ProgressForm && ::IsWindowVisible(ProgressForm->Handle()));
}

TEST_F(SaveScan, ChosenAgainWhileItRunsItStopsAndWritesNothing) {
    const std::string target = Out.Utf8() + "\\stopped.json";
    // The walk cannot put its listings in the scan tree while a reader holds it: the save is still
    // walking when the command is chosen again from the menu, and then a timer lets the reader go.
    static std::unique_ptr<TScanReader> hold;
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        d.FileName = target;
        hold = std::make_unique<TScanReader>(FolderSizeService().ScanTree());
        ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            hold.reset();
        });
        return true;
    });
    F->SaveScan1->Click();
    EXPECT_EQ(F->actSaveScan->Caption(), "Stop Saving Scan");
    F->SaveScan1->Click();
    ASSERT_TRUE(SaveScanEnded());
    EXPECT_FALSE(hold);
    EXPECT_FALSE(fs::exists(vstest::Utf8Path(target)));
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    EXPECT_EQ(F->actSaveScan->Caption(), "Save Scan...");
    // The next save runs to its end.
    hook.Set([&](TSaveDialog& d) {
        d.FileName = target;
        return true;
    });
    F->SaveScan1->Click();
    ASSERT_TRUE(SaveScanEnded());
    EXPECT_EQ(ImportScan(target).Files, 31);
}

TEST_F(SaveScan, ACancelledDialogOrAnUnwritableTargetSaysSoAndWritesNothing) {
    uitest::TSaveDialogHook hook([](TSaveDialog&) { return false; });
    F->SaveScan1->Click();
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    EXPECT_TRUE(fs::is_empty(Out.Path()));
    const std::string target = Out.Utf8() + "\\missing\\scan.json";
    hook.Set([&](TSaveDialog& d) {
        d.FileName = target;
        return true;
    });
    F->SaveScan1->Click();
    ASSERT_TRUE(SaveScanEnded());
    const auto boxes = uitest::TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].Text.find("There was an error saving the scan.\r\nCannot create file"), std::string::npos)
        << boxes[0].Text;
}

}  // namespace
