// "Open Scan..." in the real main window under Wine: a saved scan shown as if it were its folder on disk,
// with the folder itself gone, and a bad file that changes nothing.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainFormTestSupport.h"
#include "platform/DateTime.h"
#include "platform/WinText.h"
#include "scans/ScanFile.h"
#include "scans/ScanTime.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

using TTable = std::vector<std::vector<std::string>>;

const char* const kNegative = R"([1,2,{"progname":"ncdu"},[{"name":"/data"},{"name":"a","asize":-5}]])";

class OpenScan : public uitest::TMainFormTest {
protected:
    vstest::TTempDir Dir, Out;
    std::string Saved;    // the scan of Dir, written by "Save Scan..."
    TTable DiskRows;      // Dir's rows as the list showed them from the disk, folder sizes on
    std::string DiskSum;  // and the status bar's sum of them

    void SetUp() override {
        TMainFormTest::SetUp();
        Dir.WriteFile("sub\\a.txt", 100);
        Dir.WriteFile("sub\\b.bin", 3000);
        Dir.WriteFile("sub\\deeper\\c.txt", 50);
        Dir.WriteFile("other\\d.log", 9000);
        Dir.WriteFile("top.txt", 7);
        Out.WriteFile("here.txt", 1);
        F->OpenFolder(Dir.Utf8());
        F->actFolderSizes->Execute();
        ASSERT_TRUE(uitest::PumpUntil([&] { return !F->StShellListView1->Model().Walking(); }));
        uitest::Pump();
        DiskRows = Rows();
        DiskSum = F->StatusBar1->PanelText(1);
        F->actFolderSizes->Execute();  // off again: the scan's figures must not depend on it
        Saved = Out.Utf8() + "\\saved.json.gz";
        ASSERT_TRUE(SaveScanTo(Saved));
        ASSERT_TRUE(uitest::TakeBoxes().empty());
    }

    // Every row as the control shows it: the name, then each column's text.
    TTable Rows() {
        HWND list = F->StShellListView1->Handle();
        const int columns = Header_GetItemCount(ListView_GetHeader(list));
        TTable rows;
        for (int r = 0, n = ListView_GetItemCount(list); r < n; ++r) {
            std::vector<std::string> cells;
            for (int c = 0; c < columns; ++c) {
                wchar_t text[512] = {};
                ListView_GetItemText(list, r, c, text, 512);
                cells.push_back(Narrow(text));
            }
            rows.push_back(cells);
        }
        return rows;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& row : Rows()) names.push_back(row[0]);
        return names;
    }
    int RowOf(const std::string& name) {
        const std::vector<std::string> names = Names();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i);
        return -1;
    }
    void Notify(UINT code, int row, int column = 0) {
        HWND list = F->StShellListView1->Handle();
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = list;
        nm.hdr.idFrom = ::GetDlgCtrlID(list);
        nm.hdr.code = code;
        nm.iItem = row;
        nm.iSubItem = column;
        ::SendMessageW(::GetParent(list), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
        uitest::Pump();
    }
    void DoubleClick(const std::string& name) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name;
        for (int r : F->StShellListView1->SelectedIndices()) F->StShellListView1->SetSelected(r, false);
        F->StShellListView1->SetSelected(row);
        Notify(NM_DBLCLK, row);
    }
    void TypeMask(const std::string& text) {
        F->FilterCombo->SetText(text);
        HWND edit = ::FindWindowExW(F->FilterCombo->Handle(), nullptr, L"Edit", nullptr);
        uitest::PressKey(edit ? edit : F->FilterCombo->Handle(), VK_RETURN, 0, 13);
        uitest::Pump();
    }
    // Chooses "Open Scan..." and picks file in its dialog; waits for the read to end.
    void OpenThroughTheDialog(const std::string& file) {
        std::string title;
        uitest::TOpenDialogHook hook([&](TOpenDialog& d) {
            title = d.Title;
            d.FileName = file;
            return true;
        });
        F->OpenScan1->Click();
        EXPECT_EQ(title, "Open Scan");
        ASSERT_TRUE(uitest::PumpUntil([&] { return F->actOpenScan->Enabled(); }));
        uitest::Pump();
    }
};

TEST_F(OpenScan, ShowsTheSavedScanLikeItsFolderWithoutTheDisk) {
    const std::int64_t stamp = ImportScan(Saved).Info.Timestamp;
    // The folder goes, and the list shows another one: everything below comes from the file.
    F->OpenFolder(Out.Utf8());
    fs::remove_all(Dir.Path() / "sub");
    fs::remove_all(Dir.Path() / "other");
    fs::remove(Dir.Path() / "top.txt");
    OpenThroughTheDialog(Saved);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    ASSERT_TRUE(F->ShowingScan());

    const std::string when = "saved scan of " + LocalDateTimeText(TicksOfUnixSeconds(stamp), false);
    EXPECT_EQ(F->Caption(), "Voluscope - " + Dir.Utf8() + " (" + when + ")");
    EXPECT_EQ(F->StatusBar1->PanelText(0), "3 object(s) - " + when);
    EXPECT_EQ(F->CurrentFolderPath(), Dir.Utf8());
    // The same rows and cells the disk gave, folder figures included.
    EXPECT_EQ(Rows(), DiskRows);
    EXPECT_EQ(F->StatusBar1->PanelText(1), DiskSum);

    // Into a sub-folder and up again; up at the scan's root stays there.
    DoubleClick("sub");
    EXPECT_EQ(F->CurrentFolderPath(), Dir.Utf8() + "\\sub");
    EXPECT_EQ(Names(), (std::vector<std::string>{"deeper", "a.txt", "b.bin"}));
    EXPECT_EQ(F->StatusBar1->PanelText(0), "3 object(s) - " + when);
    F->SpeedButton2->Click();
    uitest::Pump();
    EXPECT_EQ(F->CurrentFolderPath(), Dir.Utf8());
    F->SpeedButton2->Click();
    uitest::Pump();
    EXPECT_EQ(F->CurrentFolderPath(), Dir.Utf8());
    EXPECT_EQ(Rows(), DiskRows);

    // A click on the Size column sorts by size (by name, "other" would come first).
    Notify(LVN_COLUMNCLICK, -1, 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"sub", "other", "top.txt"}));  // folders first, as on disk
    Notify(LVN_COLUMNCLICK, -1, 0);

    // The mask keeps the matching files and the folder totals count only them.
    TypeMask("*.txt");
    const TTable masked = Rows();
    ASSERT_EQ(masked.size(), 3u);
    EXPECT_EQ(masked[0][0], "other");
    EXPECT_EQ(masked[0][4], "0");
    EXPECT_EQ(masked[1][0], "sub");
    EXPECT_EQ(masked[1][4], "2");
    EXPECT_EQ(masked[2][0], "top.txt");
    TypeMask("*.*");
    EXPECT_EQ(Rows(), DiskRows);
}

TEST_F(OpenScan, DiskCommandsAreOffUntilARealFolderIsOpened) {
    OpenThroughTheDialog(Saved);
    ASSERT_TRUE(F->ShowingScan());
    for (TAction* a :
         {F->actPrint, F->actPrintCsv, F->actPrintAll, F->actPrintAllCsv, F->actSaveScan, F->actFolderSizes})
        EXPECT_FALSE(a->Enabled()) << a->Name();
    // No rename, no drop target, no reading again from the disk.
    HWND list = F->StShellListView1->Handle();
    EXPECT_EQ(ListView_EditLabel(list, RowOf("top.txt")), nullptr);
    EXPECT_FALSE(F->StShellListView1->ShellDropTarget(RowOf("sub")));
    EXPECT_FALSE(F->StShellListView1->ShellDropTarget(-1));
    EXPECT_FALSE(F->StShellListView1->ReadFolderAgain());

    // The treemap lays out the scan's files.
    F->actTreemap->Execute();
    uitest::Pump();
    const auto& tiles = F->TreemapPanel1->Map().Tiles();
    std::vector<std::string> files;
    for (int t = 0; t < static_cast<int>(tiles.size()); ++t)
        if (!tiles[t].IsFolder()) files.push_back(F->TreemapTilePath(t));
    // Every file tile is one of the scan's files (the smallest may be too small for a tile of its own).
    const std::string root = Dir.Utf8() + "\\";
    const std::vector<std::string> all{root + "other\\d.log", root + "sub\\a.txt", root + "sub\\b.bin",
                                       root + "sub\\deeper\\c.txt", root + "top.txt"};
    EXPECT_GE(files.size(), 4u);
    for (const std::string& f : files) EXPECT_NE(std::find(all.begin(), all.end(), f), all.end()) << f;

    // A double click on a file's tile opens its folder in the scan, which is not on disk any more.
    fs::remove_all(Dir.Path() / "other");
    int log = -1;
    for (int t = 0; t < static_cast<int>(tiles.size()); ++t)
        if (!tiles[t].IsFolder() && F->TreemapTilePath(t) == root + "other\\d.log") log = t;
    ASSERT_GE(log, 0);
    const LPARAM at = MAKELPARAM((tiles[log].X0 + tiles[log].X1) / 2, (tiles[log].Y0 + tiles[log].Y1) / 2);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::SendMessageW(F->TreemapPanel1->Handle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    uitest::Pump();
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    EXPECT_TRUE(F->ShowingScan());
    EXPECT_EQ(F->CurrentFolderPath(), Dir.Utf8() + "\\other");
    EXPECT_EQ(Names(), std::vector<std::string>{"d.log"});

    // A real folder leaves the scan.
    F->OpenFolder(Out.Utf8());
    uitest::Pump();
    EXPECT_FALSE(F->ShowingScan());
    EXPECT_EQ(F->Caption(), "Voluscope");
    EXPECT_GE(RowOf("here.txt"), 0);
    for (TAction* a : {F->actPrint, F->actSaveScan, F->actFolderSizes}) EXPECT_TRUE(a->Enabled()) << a->Name();
}

TEST_F(OpenScan, ABadFileSaysWhereAndLeavesTheWindowAsItWas) {
    F->OpenFolder(Out.Utf8());
    uitest::Pump();
    const TTable before = Rows();
    const std::string panel = F->StatusBar1->PanelText(0);
    const std::string bad = Dir.Utf8() + "\\cut.json";
    {
        std::FILE* f = _wfopen(Widen(bad).c_str(), L"wb");
        ASSERT_TRUE(f);
        std::fputs(kNegative, f);
        std::fclose(f);
    }
    OpenThroughTheDialog(bad);
    const std::vector<uitest::TShownBox> boxes = uitest::TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string said =
        "There was an error opening the scan.\r\nCannot read scan \"" + bad + "\": a negative asize at byte ";
    ASSERT_EQ(boxes[0].Text.rfind(said, 0), 0u) << boxes[0].Text;
    const std::string offset = boxes[0].Text.substr(said.size());
    EXPECT_EQ(offset, std::to_string(std::string_view(kNegative).find("-5")));
    EXPECT_FALSE(F->ShowingScan());
    EXPECT_EQ(F->Caption(), "Voluscope");
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(F->StatusBar1->PanelText(0), panel);
    EXPECT_EQ(F->CurrentFolderPath(), Out.Utf8());
}

}  // namespace
