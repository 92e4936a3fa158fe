// "Compare With..." in the real main window under Wine: a scan saved with "Save Scan...", the folder
// changed on disk, then the scan chosen as the baseline through the open dialog; the list's Change
// column, its gone rows, its sort by the header, the growth chart and the reports.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "app/MainFormTestSupport.h"
#include "platform/DateTime.h"
#include "platform/DirList.h"
#include "platform/WinText.h"
#include "scans/ScanDiff.h"
#include "scans/ScanHistory.h"
#include "scans/ScanTime.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/UiTestEnv.h"

namespace fs = std::filesystem;

namespace {

// Answers the open dialog with hook while the object lives.
class TOpenDialogHook {
public:
    explicit TOpenDialogHook(TOpenDialog::THook hook) : FPrevious(TOpenDialog::SetHook(std::move(hook))) {}
    ~TOpenDialogHook() { TOpenDialog::SetHook(std::move(FPrevious)); }

private:
    TOpenDialog::THook FPrevious;
};

class Compare : public uitest::TMainFormTest {
protected:
    vstest::TTempDir Dir, Out;
    std::string Saved;
    void SetUp() override {
        TMainFormTest::SetUp();
        Dir.WriteFile("same.txt", 5000);
        Dir.WriteFile("grows.bin", 2048);
        Dir.WriteFile("shrinks.bin", 10 * 1024);
        Dir.WriteFile("gone.txt", 3 * 1024);
        Dir.WriteFile("Old\\a.bin", 4 * 1024);
        Dir.WriteFile("Kept\\k.bin", 1024);
        F->actFolderSizes->Execute();
        F->OpenFolder(Dir.Utf8());
        uitest::Pump();
        // The baseline as a user makes it: "Save Scan..." of the folder.
        Saved = Out.Utf8() + "\\before.json.gz";
        ASSERT_TRUE(SaveScanTo(Saved));
        // Then the disk changes.
        Dir.WriteFile("grows.bin", 9 * 1024);
        Dir.WriteFile("shrinks.bin", 1024);
        Dir.WriteFile("new.txt", 2 * 1024);
        Dir.WriteFile("Kept\\more.bin", 6 * 1024);
        fs::remove(vstest::Utf8Path(Dir.Utf8() + "\\gone.txt"));
        fs::remove_all(vstest::Utf8Path(Dir.Utf8() + "\\Old"));
        // What the change notification tells the folder-size service (Wine's delivers nothing).
        FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Kept\\more.bin", false);
        FolderSizeService().InvalidateFolderSize(Dir.Utf8() + "\\Old", true);
        F->OpenFolder(Dir.Utf8());
        uitest::Pump();
    }
    TStShellListView& List() { return *F->StShellListView1; }
    // Chooses an entry of the compare menu, as it shows when it opens.
    void Choose(const std::string& caption) {
        F->CompareMenu->OnPopup(F->CompareMenu);
        TMenuItem* item = F->CompareMenu->Find(caption);
        ASSERT_NE(item, nullptr) << caption;
        ASSERT_TRUE(item->Enabled()) << caption;
        item->Click();
    }
    // Chooses the saved scan through the open dialog and waits until the list compares with it.
    void CompareWithSaved(const std::string& file) {
        TOpenDialogHook hook([&](TOpenDialog& d) {
            d.FileName = file;
            return true;
        });
        Choose("Scan File...");
        ASSERT_TRUE(uitest::PumpUntil([&] { return F->Comparing(); }));
        WaitForFigures();
    }
    void WaitForFigures() {
        uitest::PumpUntil([&] { return List().Model().State() != TFiguresState::Running; });
        uitest::Pump(50);
    }
    int Column(const std::string& caption) {
        for (int c = 0; c < List().ColumnCount(); ++c)
            if (List().ColumnCaption(c) == caption) return c;
        return -1;
    }
    // A cell as the control shows it (asked of the control, which asks the list's data).
    std::string Cell(int row, int column) {
        wchar_t text[256] = {};
        ListView_GetItemText(List().Handle(), row, column, text, 256);
        return Narrow(text);
    }
    // Name -> Change cell of every row.
    std::map<std::string, std::string> Changes() {
        std::map<std::string, std::string> out;
        const int change = Column("Change");
        for (int r = 0; r < List().ItemCount(); ++r) out[Cell(r, 0)] = change < 0 ? "(none)" : Cell(r, change);
        return out;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (int r = 0; r < List().ItemCount(); ++r) out.push_back(Cell(r, 0));
        return out;
    }
    // The text colour the list's custom draw gives a row, as painting asks for it.
    COLORREF RowTextColor(int row) {
        NMLVCUSTOMDRAW cd{};
        cd.nmcd.hdr.hwndFrom = List().Handle();
        cd.nmcd.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(List().Handle()));
        cd.nmcd.hdr.code = NM_CUSTOMDRAW;
        cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        cd.clrText = CLR_DEFAULT;
        ::SendMessageW(::GetParent(List().Handle()), WM_NOTIFY, cd.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));
        return cd.clrText;
    }
    int RowOf(const std::string& name) {
        for (int r = 0; r < List().ItemCount(); ++r)
            if (Cell(r, 0) == name) return r;
        return -1;
    }
    // A click on a column header, scrolled into view first as the user would.
    void ClickHeader(int column) {
        ListView_Scroll(List().Handle(), 2000, 0);
        uitest::Pump();
        ASSERT_TRUE(uitest::ClickListHeader(List().Handle(), column));
    }
};

TEST_F(Compare, TheChangeColumnShowsWhatGrewAndWhatIsGone) {
    EXPECT_EQ(Column("Change"), -1);
    CompareWithSaved(Saved);
    EXPECT_TRUE(uitest::TakeBoxes().empty());
    ASSERT_EQ(Column("Change"), 8);
    const std::map<std::string, std::string> want = {
        {"same.txt", "0KB"},  {"grows.bin", "+7KB"}, {"shrinks.bin", "-9KB"}, {"new.txt", "+2KB"},
        {"gone.txt", "-3KB"}, {"Kept", "+6KB"},      {"Old", "-4KB"},
    };
    EXPECT_EQ(Changes(), want);
    // Gone rows: greyed, with their old size; rows on disk keep the list's colours.
    for (const char* name : {"gone.txt", "Old"}) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name;
        EXPECT_EQ(RowTextColor(row), ColorToRGB(clGray)) << name;
    }
    EXPECT_EQ(Cell(RowOf("gone.txt"), 1), "3KB");
    EXPECT_EQ(Cell(RowOf("Old"), 1), "4KB");
    EXPECT_EQ(RowTextColor(RowOf("grows.bin")), static_cast<COLORREF>(CLR_DEFAULT));
    // Read again in place (as the live refresh does): the gone rows come back once, not twice.
    ASSERT_TRUE(List().ReadFolderAgain());
    WaitForFigures();
    EXPECT_EQ(List().ItemCount(), 7);
    EXPECT_EQ(Changes(), want);
    // The status bar counts what is on the disk.
    EXPECT_EQ(F->StatusBar1->PanelText(0), "5 object(s)");
    uitest::SaveWindowShot(F->Handle(), "compare_change_column");

    // Sorted by Change from the header: folders first, then files, each by change; again reverses.
    ClickHeader(Column("Change"));
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"Old", "Kept", "shrinks.bin", "gone.txt", "same.txt", "new.txt", "grows.bin"}));
    ClickHeader(Column("Change"));
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"grows.bin", "new.txt", "same.txt", "gone.txt", "shrinks.bin", "Kept", "Old"}));

    // Stopping: the column and the gone rows go.
    Choose("Stop Comparing");
    EXPECT_FALSE(F->Comparing());
    EXPECT_EQ(Column("Change"), -1);
    EXPECT_EQ(RowOf("gone.txt"), -1);
    EXPECT_EQ(RowOf("Old"), -1);
}

// The report's records (lines after the volume block) that name a file, by their first field.
std::map<std::string, std::string> Records(const std::string& csv) {
    std::map<std::string, std::string> out;
    std::size_t at = 0;
    while (at < csv.size()) {
        std::size_t end = csv.find("\r\n", at);
        if (end == std::string::npos) end = csv.size();
        const std::string line = csv.substr(at, end - at);
        at = end + 2;
        if (line.size() > 2 && line[0] == '"') out[line.substr(1, line.find('"', 1) - 1)] = line;
    }
    return out;
}

TEST_F(Compare, ReportsAndTheGrowthChartCarryTheChange) {
    CompareWithSaved(Saved);
    const std::string csv = Out.Utf8() + "\\report.csv";
    uitest::TSaveDialogHook save([&](TSaveDialog& d) {
        d.FileName = csv;
        return true;
    });
    const std::string folder = "\"" + Dir.Utf8() + "\"";
    // The folder as listed: the Change column before the folder, gone rows included.
    F->PrintCSV1->Click();
    std::map<std::string, std::string> rows = Records(vstest::ReadFileText(vstest::Utf8Path(csv)));
    EXPECT_NE(rows["Name"].find("\"Attributes\",\"Change\",\"Folder\""), std::string::npos) << rows["Name"];
    EXPECT_NE(rows["grows.bin"].find("\"+7KB\"," + folder), std::string::npos) << rows["grows.bin"];
    EXPECT_NE(rows["Old"].find("\"4KB\","), std::string::npos) << rows["Old"];
    EXPECT_NE(rows["Old"].find("\"-4KB\"," + folder), std::string::npos) << rows["Old"];
    // The whole tree: each file's change, a new file's whole size.
    F->IncludeSubFoldersCSV1->Click();
    rows = Records(vstest::ReadFileText(vstest::Utf8Path(csv)));
    EXPECT_NE(rows["grows.bin"].find("\"9216\","), std::string::npos) << rows["grows.bin"];
    EXPECT_NE(rows["grows.bin"].find("\"+7KB\"," + folder), std::string::npos) << rows["grows.bin"];
    const std::string kept = "\"" + Dir.Utf8() + "\\Kept\"";
    EXPECT_NE(rows["more.bin"].find("\"+6KB\"," + kept), std::string::npos) << rows["more.bin"];
    EXPECT_NE(rows["k.bin"].find("\"0KB\"," + kept), std::string::npos) << rows["k.bin"];
    // What is gone: a file and a folder with their sizes then, all of it as the change; the files of a
    // gone folder are not listed one by one.
    EXPECT_EQ(rows["gone.txt"].rfind("\"gone.txt\",\"3072\",", 0), 0u) << rows["gone.txt"];
    EXPECT_NE(rows["gone.txt"].find("\"-3KB\"," + folder), std::string::npos) << rows["gone.txt"];
    EXPECT_EQ(rows["Old"].rfind("\"Old\",\"4096\",", 0), 0u) << rows["Old"];
    EXPECT_NE(rows["Old"].find("\"D\",\"-4KB\"," + folder), std::string::npos) << rows["Old"];
    EXPECT_EQ(rows.count("a.bin"), 0u);
    EXPECT_TRUE(uitest::TakeBoxes().empty());

    // The growth chart: the sub-folders that grew, and no more.
    F->actChartGrowth->Update();  // as idle time updates it before the menu opens
    ASSERT_TRUE(F->actChartGrowth->Enabled());
    F->ChartGrowth1->Click();
    TChartSeries* series = F->Chart1->Chart().LegendSeries();
    ASSERT_NE(series, nullptr);
    ASSERT_EQ(series->Count(), 1);
    EXPECT_EQ(series->Label(0), "Kept");
    EXPECT_EQ(series->Value(0), 6 * 1024);
    // Stopping the comparison takes the chart back to sizes.
    Choose("Stop Comparing");
    EXPECT_TRUE(F->actChartSize->Checked());
    EXPECT_FALSE(F->actChartGrowth->Checked());
}

TEST_F(Compare, TheMenuListsTheKeptScansOfTheFolderNewestFirst) {
    vstest::TTempDir user;
    uitest::TScopedEnv local(L"LOCALAPPDATA", Widen(user.Utf8()).c_str());
    TScanHistory history(TScanHistory::DefaultFolder(), SystemDirLister());
    const std::string key = FolderSizeService().CacheKey(Dir.Utf8());
    auto keep = [&](const TImportedScan& scan, const std::string& rootKey, std::int64_t time) {
        TScanFileInfo info;
        info.Timestamp = time;
        const TScanReader reader(*scan.Tree);
        history.Add(reader, scan.Root, rootKey, info);
    };
    // An older scan in which grows.bin was smaller, the saved one a day later, and one of another folder.
    std::string root = Dir.Utf8();
    for (std::size_t at = 0; (at = root.find('\\', at)) != std::string::npos; at += 2) root.insert(at, "\\");
    keep(ImportScanBytes("[1,2,{},[{\"name\":\"" + root + "\"},{\"name\":\"grows.bin\",\"asize\":1024}]]"), key,
         1700000000);
    keep(ImportScan(Saved), key, 1700086400);
    keep(ImportScan(Saved), FolderSizeService().CacheKey(Out.Utf8()), 1700090000);
    F->CompareMenu->OnPopup(F->CompareMenu);
    std::vector<std::string> captions;
    for (int i = 0; i < F->CompareMenu->Count(); ++i) captions.push_back(F->CompareMenu->Items(i)->Caption());
    const std::vector<std::string> want = {"Scan of " + LocalDateTimeText(TicksOfUnixSeconds(1700086400), false),
                                           "Scan of " + LocalDateTimeText(TicksOfUnixSeconds(1700000000), false), "-",
                                           "Scan File...", "Stop Comparing"};
    EXPECT_EQ(captions, want);
    EXPECT_FALSE(F->CompareMenu->Items(4)->Enabled());
    // Either kept scan becomes the baseline.
    F->CompareMenu->Items(1)->Click();
    ASSERT_TRUE(uitest::PumpUntil([&] { return F->Comparing(); }));
    WaitForFigures();
    EXPECT_EQ(Changes().at("grows.bin"), "+8KB");
    EXPECT_EQ(Changes().at("same.txt"), "+4KB");  // not in that scan: new
    Choose(captions[0]);
    ASSERT_TRUE(uitest::PumpUntil([&] { return Changes().at("grows.bin") == "+7KB"; }));
    EXPECT_EQ(Changes().at("same.txt"), "0KB");
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

// A listing or report reads the baseline while it runs (letting messages through): a change of
// baseline waits for its end instead of freeing the one in use.
TEST_F(Compare, TheBaselineChangesOnlyOnceARunningOperationHasEnded) {
    CompareWithSaved(Saved);
    {
        TBusyScope busy;
        Choose("Stop Comparing");
        uitest::Pump(50);
        EXPECT_TRUE(F->Comparing());
    }
    EXPECT_TRUE(uitest::PumpUntil([&] { return !F->Comparing(); }));
    {
        TBusyScope busy;
        F->CompareWithFile(Saved);
        uitest::Pump(300);
        EXPECT_FALSE(F->Comparing());
    }
    EXPECT_TRUE(uitest::PumpUntil([&] { return F->Comparing(); }));
}

TEST_F(Compare, ABadFileSaysWhyAndKeepsTheComparison) {
    CompareWithSaved(Saved);
    const std::string bad = Out.Utf8() + "\\bad.json";
    std::ofstream(vstest::Utf8Path(bad)) << "[1,2,{},[{\"name\":\"x\"},{\"name\":\"f\",\"asize\":-5}]]";
    {
        TOpenDialogHook hook([&](TOpenDialog& d) {
            d.FileName = bad;
            return true;
        });
        Choose("Scan File...");
    }
    std::vector<uitest::TShownBox> boxes;
    ASSERT_TRUE(uitest::PumpUntil([&] {
        for (uitest::TShownBox& b : uitest::TakeBoxes()) boxes.push_back(b);
        return !boxes.empty();
    }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text.rfind("There was an error reading the scan.\r\nCannot read scan \"" + bad + "\": ", 0), 0u)
        << boxes[0].Text;
    EXPECT_NE(boxes[0].Text.find(" at byte "), std::string::npos) << boxes[0].Text;
    // The list still compares with the first scan.
    EXPECT_TRUE(F->Comparing());
    EXPECT_EQ(Changes().at("grows.bin"), "+7KB");
}

}  // namespace
