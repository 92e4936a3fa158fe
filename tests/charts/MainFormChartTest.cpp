// The folder chart in the real main window under Wine: built from real folders listed by the
// folder list, the metrics and chart types, legend and axis texts, clicks on slices, bars and
// legend entries, and the JPEG picture of the chart.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "chart/BarSeries.h"
#include "chart/ChartPanel_win.h"
#include "chart/PieSeries.h"
#include "charts/JpegDecode.h"
#include "shell/ShellItem.h"
#include "shell/ShellListView_win.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Graphics.h"
#include "ui/UiTestEnv.h"

namespace {

using TPoints = std::vector<std::pair<std::string, double>>;

TPoints PointsOf(const TChartSeries& s) {
    TPoints out;
    for (int i = 0; i < s.Count(); ++i) out.emplace_back(s.Label(i), s.Value(i));
    return out;
}

// Remembers the context-menu requests the folder list receives instead of showing the menu.
struct TContextMenuSpy {
    HWND List;
    std::vector<LPARAM> Requests;
    explicit TContextMenuSpy(HWND list) : List(list) {
        ::SetWindowSubclass(list, &Proc, 77, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TContextMenuSpy() { ::RemoveWindowSubclass(List, &Proc, 77); }
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        if (msg == WM_CONTEXTMENU) {
            reinterpret_cast<TContextMenuSpy*>(data)->Requests.push_back(lp);
            return 0;
        }
        return ::DefSubclassProc(wnd, msg, wp, lp);
    }
};

class MainFormChart : public uitest::TMainFormTest {
protected:
    void SetUp() override {
        // Sub-folders in name order, with files of known sizes; files beside them.
        Dir.WriteFile("Alpha\\a1.dat", 3000);
        Dir.WriteFile("Alpha\\a2.dat", 2000);
        Dir.WriteFile("Alpha\\deep\\a3.dat", 1000);
        Dir.WriteFile("Beta\\b1.dat", 10000);
        Dir.WriteFile("Gamma Ray\\g1.dat", 700);
        Dir.MakeDir("Zeta");
        Dir.WriteFile("top.txt", 123);
        Dir.WriteFile("Files\\A.txt", 100);
        Dir.WriteFile("Files\\B.bmp", 2000);
        Dir.WriteFile("Files\\C.txt", 30);
        Dir.MakeDir("Empty");
        TMainFormTest::SetUp();
        F->Params = {Dir.Utf8()};
        F->actFolderSizes->SetChecked(true);
        F->Show();
        uitest::Pump();
        uitest::TakeBoxes();
    }
    void Open(const std::string& relative) {
        F->OpenFolder(relative.empty() ? Dir.Utf8() : Dir.Utf8() + "\\" + relative);
        uitest::Pump();
    }
    TChart& Chart() { return F->Chart1->Chart(); }
    // Paints the chart now, so its layout (geometry, legend rows, axis labels) is current.
    void Paint() {
        ::InvalidateRect(F->Chart1->Handle(), nullptr, FALSE);
        ::UpdateWindow(F->Chart1->Handle());
    }
    void Press(int x, int y, UINT down, UINT up) {
        ::SendMessageW(F->Chart1->Handle(), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(F->Chart1->Handle(), up, 0, MAKELPARAM(x, y));
        uitest::Pump();
    }
    // A point well inside pie slice i.
    POINT InSlice(int i) {
        Paint();
        const auto& g = F->Series1->Geometry();
        const TPieAngle& a = g.Angles.at(i);
        int dx = 0, dy = 0;
        F->Series1->SliceOffset(i, dx, dy);
        double r = 0.6;
        return POINT{g.XCenter + dx + static_cast<int>(std::cos(a.MidAngle) * g.XRadius * r),
                     g.YCenter - dy - static_cast<int>(std::sin(a.MidAngle) * g.YRadius * r)};
    }
    std::vector<std::string> SelectedNames() {
        std::vector<std::string> out;
        for (int row : F->StShellListView1->SelectedIndices())
            out.push_back(F->StShellListView1->RowItem(row)->DisplayName);
        return out;
    }
    // Clicks a column header of the folder list with the mouse.
    void ClickHeader(int column) { ASSERT_TRUE(uitest::ClickListHeader(F->StShellListView1->Handle(), column)); }
    int PointOf(const TChartSeries& s, const std::string& label) {
        for (int i = 0; i < s.Count(); ++i)
            if (s.Label(i) == label) return i;
        ADD_FAILURE() << "no point " << label;
        return 0;
    }
    // The middle of bar i, or of legend entry i.
    POINT InBar(int i) {
        Paint();
        TScreenRect r = F->Series2->BarRect(Chart().BottomAxis(), Chart().LeftAxis(), i);
        return POINT{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    POINT InLegend(int i) {
        Paint();
        const TChartLegend& legend = Chart().Legend();
        return POINT{(legend.TextLeft() + legend.TextRight()) / 2,
                     legend.FirstRowTop() + i * legend.RowHeight() + legend.RowHeight() / 2};
    }
    std::string Caption() { return F->Panel3->Caption(); }
    std::vector<std::string> Footer() { return Chart().Foot().Text(); }

    vstest::TTempDir Dir;
};

TEST_F(MainFormChart, OnePointPerSubFolderInListOrder) {
    EXPECT_EQ(Caption(), " " + Dir.Utf8() + "\\");
    EXPECT_TRUE(F->Series1->Active());
    EXPECT_EQ(
        PointsOf(*F->Series1),
        (TPoints{{"Alpha", 6000}, {"Beta", 10000}, {"Empty", 0}, {"Files", 2130}, {"Gamma Ray", 700}, {"Zeta", 0}}));
    EXPECT_EQ(Footer(), std::vector<std::string>{"Total File Size"});
    // Count, then slack (one file each takes at least one cluster), then back to size.
    F->actChartCount->Execute();
    EXPECT_EQ(PointsOf(*F->Series1),
              (TPoints{{"Alpha", 3}, {"Beta", 1}, {"Empty", 0}, {"Files", 3}, {"Gamma Ray", 1}, {"Zeta", 0}}));
    EXPECT_EQ(Footer(), std::vector<std::string>{"Total File Count"});
    EXPECT_FALSE(F->actChartSize->Checked());
    F->actChartSlack->Execute();
    EXPECT_EQ(Footer(), std::vector<std::string>{"Total Slack Space"});
    ASSERT_EQ(F->Series1->Count(), 6);
    EXPECT_GT(F->Series1->Value(1), 0);  // Beta: 10000 bytes in whole clusters
    EXPECT_EQ(F->Series1->Value(2), 0);
    F->actChartSize->Execute();
    EXPECT_EQ(F->Series1->Value(1), 10000);
    EXPECT_TRUE(F->actChartSize->Checked());
    EXPECT_FALSE(F->actChartSlack->Checked());
}

TEST_F(MainFormChart, UnknownFolderFiguresEnterAsZero) {
    F->actFolderSizes->Execute();  // off: the folders' figures are not computed
    uitest::Pump();
    ASSERT_FALSE(F->actFolderSizes->Checked());
    for (TAction* metric : {F->actChartSlack, F->actChartCount}) {
        metric->Execute();
        ASSERT_EQ(F->Series1->Count(), 6);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(F->Series1->Value(i), 0) << F->Series1->Label(i);
    }
}

TEST_F(MainFormChart, FilesOnlyFallBackToTypes) {
    Open("Files");
    ASSERT_EQ(F->Series1->Count(), 2);
    const TFolderModel& model = F->StShellListView1->Model();
    std::string txt, bmp;
    for (int i = 0; i < model.RowCount(); ++i)
        (model.Row(i)->DisplayName.find("B") == 0 ? bmp : txt) = model.Row(i)->TypeName;
    ASSERT_NE(txt, bmp);
    // A and C share a type: one point with both, in the place of the first; then B's type.
    EXPECT_EQ(PointsOf(*F->Series1), (TPoints{{txt, 130}, {bmp, 2000}}));
    EXPECT_EQ(F->actChartFiles->Caption(), "Chart Files");
    F->actChartCount->Execute();
    EXPECT_EQ(PointsOf(*F->Series1), (TPoints{{txt, 2}, {bmp, 1}}));
}

TEST_F(MainFormChart, ChartFilesTogglesViewAndCaption) {
    F->actChartFiles->Execute();
    EXPECT_TRUE(F->ChartFileTypes());
    EXPECT_EQ(F->actChartFiles->Caption(), "Chart Folders");
    ASSERT_EQ(F->Series1->Count(), 1);  // top.txt alone
    EXPECT_EQ(F->Series1->Value(0), 123);
    // A type's slice stands for no folder, though folders are listed: a click opens and selects nothing.
    POINT p = InSlice(0);
    Press(p.x, p.y, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(F->CurrentFolderName(), Dir.Path().filename().string());
    EXPECT_TRUE(SelectedNames().empty());
    F->actChartFiles->Execute();
    EXPECT_FALSE(F->ChartFileTypes());
    EXPECT_EQ(F->actChartFiles->Caption(), "Chart Files");
    EXPECT_EQ(F->Series1->Count(), 6);
}

TEST_F(MainFormChart, EmptyFolderHasNoData) {
    Open("Empty");
    EXPECT_EQ(F->Series1->Count(), 0);
    EXPECT_EQ(Footer(), std::vector<std::string>{"No Data Available"});
    EXPECT_EQ(Caption(), " " + Dir.Utf8() + "\\Empty\\");
}

TEST_F(MainFormChart, TypeCycleAndSettingsOfEachType) {
    struct TStep {
        TAction* Checked;
        bool Pie, View3D, Orthogonal;
    };
    const TStep steps[] = {
        {F->actPie3D, true, true, false},    {F->actBar, false, false, false}, {F->actBar3D, false, true, true},
        {F->actTreemap, true, false, false},  // shown in its own panel; the flat pie waits behind it
        {F->actPie, true, false, false},
    };
    for (const TStep& s : steps) {
        F->actChartNext->Execute();
        for (TAction* a : {F->actPie, F->actPie3D, F->actBar, F->actBar3D, F->actTreemap})
            EXPECT_EQ(a->Checked(), a == s.Checked);
        EXPECT_EQ(F->TreemapPanel1->Visible(), s.Checked == F->actTreemap);
        EXPECT_EQ(F->Chart1->Visible(), s.Checked != F->actTreemap);
        EXPECT_EQ(F->Series1->Active(), s.Pie);
        EXPECT_EQ(F->Series2->Active(), !s.Pie);
        EXPECT_EQ(Chart().View3D(), s.View3D);
        EXPECT_EQ(Chart().View3DOptions().Orthogonal, s.Orthogonal);
        bool bars = !s.Pie;
        EXPECT_EQ(Chart().AxisVisible(), bars);
        EXPECT_EQ(Chart().ClipPoints(), bars);
        EXPECT_EQ(Chart().View3DWalls(), bars);
        EXPECT_EQ(Chart().FrameVisible(), bars);
        EXPECT_EQ(Chart().BackWallSolid(), bars);
        EXPECT_EQ(Chart().AllowZoom(), bars);
        EXPECT_EQ(Chart().AllowPanning(), bars ? TPanningMode::pmBoth : TPanningMode::pmNone);
        // Every type change rebuilds the active series.
        TChartSeries& active = s.Pie ? static_cast<TChartSeries&>(*F->Series1) : *F->Series2;
        EXPECT_EQ(active.Count(), 6);
        EXPECT_EQ(Footer(), std::vector<std::string>{"Total File Size"});
    }
}

TEST_F(MainFormChart, LegendShowsSizesOrCounts) {
    F->actLegend->Execute();
    EXPECT_TRUE(Chart().Legend().Visible());
    Paint();
    const auto& texts = Chart().Legend().Texts();
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(texts[0], "Alpha (5 KB)");
    EXPECT_EQ(texts[1], "Beta (9 KB)");
    EXPECT_EQ(texts[2], "Empty (0)");
    EXPECT_EQ(texts[4], "Gamma Ray (700)");
    F->actChartCount->Execute();
    Paint();
    EXPECT_EQ(Chart().Legend().Texts()[0], "Alpha 3");
    F->actLegend->Execute();
    EXPECT_FALSE(Chart().Legend().Visible());
}

TEST_F(MainFormChart, LegendCountsKeepTheirThousands) {
    for (int i = 0; i < 2500; ++i) Dir.WriteFile("Many\\f" + std::to_string(i), 0);
    Open("");
    F->actChartCount->Execute();
    F->actLegend->Execute();
    Paint();
    std::vector<std::string> texts = Chart().Legend().Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Many 2,500"), texts.end());
}

TEST_F(MainFormChart, BarAxesShowKilobytesAndKeepNames) {
    Dir.WriteFile("2048\\x.dat", 4096);
    Open("");
    F->actBar->Execute();
    Paint();
    std::vector<std::string> names, values;
    for (const TAxisLabel& l : Chart().BottomAxis().Labels) names.push_back(l.Text);
    for (const TAxisLabel& l : Chart().LeftAxis().Labels) values.push_back(l.Text);
    EXPECT_EQ(names.front(), "2048");  // a folder named with digits keeps its name
    ASSERT_FALSE(values.empty());
    for (const std::string& v : values) EXPECT_EQ(v.substr(v.size() - 2), "KB") << v;
    EXPECT_EQ(values.front(), "0KB");
    // Steps of whole kilobytes: each label stands where its text says, and none repeats another.
    for (const TAxisLabel& l : Chart().LeftAxis().Labels) EXPECT_EQ(std::fmod(l.Value, 1024), 0) << l.Text;
    EXPECT_EQ(std::set<std::string>(values.begin(), values.end()).size(), values.size());
}

TEST_F(MainFormChart, LeftClickOnSliceOpensTheFolder) {
    POINT p = InSlice(1);
    Press(p.x, p.y, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(Caption(), " " + Dir.Utf8() + "\\Beta\\");
    EXPECT_EQ(F->CurrentFolderName(), "Beta");
    // Beta holds one file: charted by type, and a click on it opens nothing and selects nothing.
    ASSERT_EQ(F->Series1->Count(), 1);
    p = InSlice(0);
    Press(p.x, p.y, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(F->CurrentFolderName(), "Beta");
    EXPECT_TRUE(SelectedNames().empty());
}

TEST_F(MainFormChart, LeftClickOnBarAndLegendEntryOpenTheFolder) {
    F->actBar->Execute();
    Paint();
    TScreenRect r = F->Series2->BarRect(Chart().BottomAxis(), Chart().LeftAxis(), 0);
    Press((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(F->CurrentFolderName(), "Alpha");
    Open("");
    F->actLegend->Execute();
    Paint();
    const TChartLegend& legend = Chart().Legend();
    int y = legend.FirstRowTop() + 4 * legend.RowHeight() + legend.RowHeight() / 2;
    Press((legend.TextLeft() + legend.TextRight()) / 2, y, WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(F->CurrentFolderName(), "Gamma Ray");
}

TEST_F(MainFormChart, RightClickSelectsAndAsksForTheContextMenu) {
    TContextMenuSpy spy(F->StShellListView1->Handle());
    POINT p = InSlice(3);
    Press(p.x, p.y, WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Files"});
    EXPECT_EQ(F->CurrentFolderName(), Dir.Path().filename().string());  // nothing opened
    ASSERT_EQ(spy.Requests.size(), 1u);
    POINT screen = p;
    ::ClientToScreen(F->Chart1->Handle(), &screen);
    EXPECT_EQ(spy.Requests[0], MAKELPARAM(screen.x, screen.y));
    // A press outside every point and entry leaves the selection alone.
    Press(2, 2, WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Files"});
    EXPECT_EQ(spy.Requests.size(), 1u);
}

// In descending order row k shows another item than item k: the row of the clicked folder is selected.
TEST_F(MainFormChart, DescendingListSelectsTheRowOfTheClickedFolder) {
    TContextMenuSpy spy(F->StShellListView1->Handle());
    int column = F->StShellListView1->Model().SortColumn();
    ClickHeader(column);
    ASSERT_FALSE(F->StShellListView1->Model().Ascending());
    ASSERT_EQ(F->Series1->Label(0), "Alpha");
    POINT p = InSlice(0);
    Press(p.x, p.y, WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Alpha"});
}

// The list's order changes with a click on a column header, the chart's does not: a slice, bar or
// legend entry still selects and opens its own folder.
TEST_F(MainFormChart, AfterSortingAClickOpensTheFolderOfItsPoint) {
    enum TWhere { wSlice, wBar, wLegend };
    const struct {
        TWhere Where;
        int HeaderClicks;  // on Size: 1 ascending, 2 descending
        const char* Folder;
    } cases[] = {
        {wSlice, 1, "Alpha"}, {wSlice, 2, "Alpha"}, {wSlice, 1, "Gamma Ray"},  {wBar, 1, "Alpha"},
        {wBar, 2, "Beta"},    {wLegend, 1, "Beta"}, {wLegend, 2, "Gamma Ray"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Folder) + " where " + std::to_string(c.Where) + " after " +
                     std::to_string(c.HeaderClicks) + " clicks");
        Open("");
        (c.Where == wBar ? F->actBar : F->actPie)->Execute();
        F->actLegend->SetChecked(c.Where != wLegend);
        F->actLegend->Execute();
        for (int i = 0; i < c.HeaderClicks; ++i) ClickHeader(1);
        ASSERT_EQ(F->StShellListView1->Model().SortColumn(), 1);
        ASSERT_EQ(F->StShellListView1->Model().Ascending(), c.HeaderClicks == 1);
        TChartSeries& series = c.Where == wBar ? static_cast<TChartSeries&>(*F->Series2) : *F->Series1;
        const int k = PointOf(series, c.Folder);
        const POINT p = c.Where == wSlice ? InSlice(k) : c.Where == wBar ? InBar(k) : InLegend(k);
        {
            TContextMenuSpy spy(F->StShellListView1->Handle());
            Press(p.x, p.y, WM_RBUTTONDOWN, WM_RBUTTONUP);
            EXPECT_EQ(SelectedNames(), std::vector<std::string>{c.Folder});
            EXPECT_EQ(spy.Requests.size(), 1u);
        }
        Press(p.x, p.y, WM_LBUTTONDOWN, WM_LBUTTONUP);
        EXPECT_EQ(F->CurrentFolderName(), c.Folder);
    }
    F->actLegend->SetChecked(true);
    F->actLegend->Execute();
}

// A re-read in place after a change on disk (a new empty folder, which sorts among the first by size)
// keeps the rows' ids: a point of the chart built before still selects its own folder, and the list's
// selection stays with its row.
TEST_F(MainFormChart, AfterAReReadInPlaceAPointStillSelectsItsOwnRow) {
    Open("");
    F->actPie->Execute();
    ClickHeader(1);
    TStShellListView* list = F->StShellListView1;
    const TRowId gamma = list->Model().IdOf(list->RowItem(list->FindRow(0, TListFindRequest{"Gamma Ray"})));
    ASSERT_NE(gamma, 0u);
    list->SetSelected(list->Model().RowOf(gamma), true);
    Dir.MakeDir("Aardvark");
    ASSERT_TRUE(list->ReadFolderAgain());
    uitest::Pump();
    EXPECT_EQ(list->Model().RowOf(gamma), list->FindRow(0, TListFindRequest{"Gamma Ray"}));
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Gamma Ray"});
    const POINT p = InSlice(PointOf(*F->Series1, "Beta"));
    TContextMenuSpy spy(list->Handle());
    Press(p.x, p.y, WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(SelectedNames(), std::vector<std::string>{"Beta"});
}

// --- The picture ---------------------------------------------------------------------------------

// Mean absolute difference per channel between the decoded picture and what the screen shows
// of the chart window.
double DifferenceToScreen(HWND wnd, const jpegtest::TDecoded& d) {
    TBitmap screen(d.Width, d.Height);
    HDC dc = ::GetDC(wnd);
    ::BitBlt(screen.Dc(), 0, 0, d.Width, d.Height, dc, 0, 0, SRCCOPY);
    ::ReleaseDC(wnd, dc);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(d.Width) * d.Height);
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) pixels.push_back(screen.Pixel(x, y));
    return jpegtest::MeanDifference(pixels, d);
}

TEST_F(MainFormChart, SavedJpegLooksLikeTheScreen) {
    std::string seenTitle, seenFilter, seenExt, seenDir;
    std::string target = Dir.Utf8() + "\\chart.jpg";
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        seenTitle = d.Title;
        seenFilter = d.Filter;
        seenExt = d.DefaultExt;
        seenDir = d.InitialDir;
        EXPECT_TRUE(d.OverwritePrompt);
        d.FileName = target;
        return true;
    });
    for (TAction* type : {F->actPie, F->actBar3D}) {
        type->Execute();
        F->actLegend->SetChecked(false);
        F->actLegend->Execute();  // with the legend
        Paint();
        uitest::Pump();
        F->actJpg->Execute();
        jpegtest::TDecoded d = jpegtest::DecodeJpegFile(vstest::Utf8Path(target));
        EXPECT_EQ(d.Width, F->Chart1->Width());
        EXPECT_EQ(d.Height, F->Chart1->Height());
        if (d.Width > 0) {
            EXPECT_LT(DifferenceToScreen(F->Chart1->Handle(), d), 3.0);
        }
    }
    EXPECT_EQ(seenTitle, "Save Chart to Jpeg");
    EXPECT_EQ(seenFilter, "Jpeg (*.jpg)|*.jpg|All files (*.*)|*.*");
    EXPECT_EQ(seenExt, "jpg");
    EXPECT_EQ(seenDir, ExeFolder());
    EXPECT_TRUE(Clipboard::HasBitmap());
}

// The picture comes from the chart's own bitmap: a clipboard held open elsewhere neither stops it
// nor changes it.
TEST_F(MainFormChart, SnapshotWhileTheClipboardIsHeldElsewhere) {
    Paint();
    TRgbPicture free = F->ChartSnapshot();
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        if (::OpenClipboard(nullptr)) {
            ::SetEvent(opened);
            ::WaitForSingleObject(release, 10000);
            ::CloseClipboard();
        } else {
            ::SetEvent(opened);
        }
    });
    ::WaitForSingleObject(opened, 10000);
    TBitmap probe(4, 4);
    EXPECT_THROW(Clipboard::SetBitmap(F->Handle(), probe), Exception) << "the clipboard was not held";
    TRgbPicture held;
    EXPECT_NO_THROW(held = F->ChartSnapshot());
    ::SetEvent(release);
    holder.join();
    ::CloseHandle(opened);
    ::CloseHandle(release);
    EXPECT_EQ(held.Width, F->Chart1->Width());
    EXPECT_EQ(held.Height, F->Chart1->Height());
    EXPECT_TRUE(held.Pixels == free.Pixels);
}

TEST_F(MainFormChart, CancellingWritesNothingAndLeavesTheClipboard) {
    Clipboard::SetText(F->Handle(), "kept");
    uitest::TSaveDialogHook cancel([](TSaveDialog&) { return false; });
    size_t before = std::distance(std::filesystem::directory_iterator(Dir.Path()), {});
    F->actJpg->Execute();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), static_cast<long>(before));
    EXPECT_EQ(Clipboard::GetText(F->Handle()), "kept");
}

TEST_F(MainFormChart, UncreatableFileGivesItsError) {
    std::string target = Dir.Utf8() + "\\missing\\chart.jpg";
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        d.FileName = target;
        return true;
    });
    try {
        F->actJpg->Execute();
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + target);
    }
}

TEST_F(MainFormChart, ScreenshotOfEachChartType) {
    VS_SCREENSHOT_ONLY();
    F->actLegend->Execute();
    const std::pair<TAction*, const char*> types[] = {{F->actPie, "charts-pie"},
                                                      {F->actPie3D, "charts-pie3d"},
                                                      {F->actBar, "charts-bar"},
                                                      {F->actBar3D, "charts-bar3d"}};
    for (auto [action, name] : types) {
        action->Execute();
        uitest::Pump(100);
        EXPECT_TRUE(uitest::SaveWindowShot(F->Handle(), name));
    }
}

}  // namespace
