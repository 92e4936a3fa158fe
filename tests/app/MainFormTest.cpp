// The main window on real windows: its size from the monitor, the component tree, the pane rules,
// the commands and their keys, the hand-over from splash to progress window, and high DPI.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <map>
#include <set>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "app/windows/AboutFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "support/TestSupport.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "ui/UiTestEnv.h"

namespace {

class MainForm : public uitest::TMainFormTest {};

}  // namespace

TEST(MainWindowSize, ShrinksEachSideByTwentyPixelsPerHundred) {
    SIZE a = MainWindowSize(1024, 768);
    EXPECT_EQ(824, a.cx);
    EXPECT_EQ(628, a.cy);
    SIZE b = MainWindowSize(1280, 1024);
    EXPECT_EQ(1040, b.cx);
    EXPECT_EQ(824, b.cy);
    // div truncates: 1366 has 13 hundreds, 799 has 7.
    SIZE c = MainWindowSize(1366, 799);
    EXPECT_EQ(1366 - 260, c.cx);
    EXPECT_EQ(799 - 140, c.cy);
}

TEST_F(MainForm, IsSizedFromTheFirstMonitorAndCentredWhenShown) {
    RECT m = FirstMonitorRect();
    SIZE want = MainWindowSize(m.right - m.left, m.bottom - m.top);
    EXPECT_EQ(want.cx, F->Width());
    EXPECT_EQ(want.cy, F->Height());
    EXPECT_EQ(want.cx / 2, F->Panel8->Width());
    EXPECT_EQ("Voluscope", F->Caption());
    EXPECT_TRUE(F->KeyPreview());
    F->Show();
    uitest::Pump();
    EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - F->Width()) / 2, F->Left());
    EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - F->Height()) / 2, F->Top());
    EXPECT_TRUE(F->VolumeList->Focused());
    Application->Idle();
    ASSERT_TRUE(uitest::SaveWindowShot(F->Handle(), "main-window"));
}

// The controls tile their parent's client area: each lies inside it, none overlaps another and
// together they cover it, so no pane leaves a gap or hides another.
static void ExpectTiles(TControl* parent, std::initializer_list<TControl*> children) {
    const int w = parent->ClientWidth(), h = parent->ClientHeight();
    long long area = 0;
    for (TControl* c : children) {
        const RECT r = c->BoundsRect();
        EXPECT_TRUE(c->Visible()) << c->Name();
        EXPECT_GE(r.left, 0) << c->Name();
        EXPECT_GE(r.top, 0) << c->Name();
        EXPECT_LE(r.right, w) << c->Name();
        EXPECT_LE(r.bottom, h) << c->Name();
        area += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
        for (TControl* d : children) {
            RECT both;
            const RECT q = d->BoundsRect();
            if (c != d) EXPECT_FALSE(::IntersectRect(&both, &r, &q)) << c->Name() << " overlaps " << d->Name();
        }
    }
    EXPECT_EQ(area, static_cast<long long>(w) * h) << parent->Name() << " is not filled";
}

TEST_F(MainForm, PanesFillTheWindowAndFollowItsSize) {
    F->Show();
    uitest::Pump();
    auto check = [&] {
        ExpectTiles(F, {F->ToolBar1, F->VolumePanel, F->Splitter2, F->BottomPanel, F->StatusBar1});
        ExpectTiles(F->BottomPanel, {F->Panel1, F->Panel8, F->Splitter1, F->Panel7});
        ExpectTiles(F->Panel8, {F->Panel3, F->Chart1});
        ExpectTiles(F->Panel7, {F->StShellListView1});
        // Top to bottom: tool bar, volumes, splitter, the browser, status bar; chart left of the list.
        EXPECT_EQ(0, F->ToolBar1->Top());
        EXPECT_EQ(F->ToolBar1->BoundsRect().bottom, F->VolumePanel->Top());
        EXPECT_EQ(F->VolumePanel->BoundsRect().bottom, F->Splitter2->Top());
        EXPECT_EQ(F->Splitter2->BoundsRect().bottom, F->BottomPanel->Top());
        EXPECT_EQ(F->BottomPanel->BoundsRect().bottom, F->StatusBar1->Top());
        EXPECT_EQ(F->Panel8->BoundsRect().right, F->Splitter1->Left());
        EXPECT_EQ(F->Splitter1->BoundsRect().right, F->Panel7->Left());
        // The volume list and its close button are inside the volume pane.
        for (TControl* c : {static_cast<TControl*>(F->VolumeList), static_cast<TControl*>(F->CloseVolumeButton)}) {
            EXPECT_LE(c->BoundsRect().right, F->VolumePanel->ClientWidth()) << c->Name();
            EXPECT_LE(c->BoundsRect().bottom, F->VolumePanel->ClientHeight()) << c->Name();
        }
    };
    check();
    const int chartWidth = F->Panel8->Width(), listWidth = F->Panel7->Width();
    const int browserHeight = F->BottomPanel->Height(), statusWidth = F->StatusBar1->PanelWidth(0);
    F->SetBounds(F->Left(), F->Top(), F->Width() + 100, F->Height() + 80);
    uitest::Pump();
    check();
    // The list and the browser take the new room; the chart pane keeps its width; the first status
    // panel widens with the window.
    EXPECT_EQ(listWidth + 100, F->Panel7->Width());
    EXPECT_EQ(chartWidth, F->Panel8->Width());
    EXPECT_EQ(browserHeight + 80, F->BottomPanel->Height());
    EXPECT_EQ(statusWidth + 100, F->StatusBar1->PanelWidth(0));
}

TEST_F(MainForm, CloseButtonsSitAtTheRightEdgeOfTheirPanes) {
    F->Show();
    uitest::Pump();
    for (int grow : {0, 120}) {
        F->SetBounds(F->Left(), F->Top(), F->Width() + grow, F->Height());
        uitest::Pump();
        for (TSpeedButton* b : {F->CloseVolumeButton, F->CloseChartButton, F->SpeedButton2}) {
            const int gap = b->Parent()->ClientWidth() - (b->Left() + b->Width());
            EXPECT_GE(gap, 0) << b->Name();
            EXPECT_LT(gap, 5) << b->Name();
            EXPECT_EQ(crHandPoint, b->Cursor());
        }
        // The folder box takes the row beside the up button.
        EXPECT_LE(F->StShellComboBox1->BoundsRect().right, F->SpeedButton2->Left());
        EXPECT_GT(F->StShellComboBox1->Width(), F->Panel1->ClientWidth() / 2);
    }
}

TEST_F(MainForm, TextsAndVolumeColumns) {
    EXPECT_EQ(" Folder:", F->Panel3->Caption());
    EXPECT_EQ("&Select a volume", F->Label1->Caption());
    EXPECT_EQ(F->VolumeList, F->Label1->FocusControl());
    EXPECT_EQ("Select a volume", F->VolumeList->Hint());
    EXPECT_EQ("Up one level", F->SpeedButton2->Hint());
    EXPECT_EQ(F->actVolumes, F->CloseVolumeButton->Action());
    EXPECT_EQ(F->actCharts, F->CloseChartButton->Action());
    EXPECT_TRUE(F->StShellListView1->TListView::Options().OwnerData);
    EXPECT_TRUE(F->StShellListView1->TListView::Options().MultiSelect);
    EXPECT_TRUE(F->VolumeList->Options().RowSelect);
    EXPECT_FALSE(F->VolumeList->Options().HideSelection);

    // Figures are right-aligned so their digits line up; names and flags read from the left. Every
    // column is wide enough to be seen.
    const std::vector<std::string> captions = {"Volume", "Logical", "Type",   "System",  "Size",
                                               "Used",   "Free",    "Available", "Cluster", "Serial",
                                               "Unicode", "Compression", "Compressed"};
    const std::set<std::string> figures = {"Size", "Used", "Free", "Available", "Cluster"};
    ASSERT_EQ(static_cast<int>(captions.size()), F->VolumeList->ColumnCount());
    for (int i = 0; i < F->VolumeList->ColumnCount(); ++i) {
        const std::string caption = F->VolumeList->ColumnCaption(i);
        EXPECT_EQ(captions[i], caption);
        EXPECT_EQ(figures.count(caption) ? taRightJustify : taLeftJustify, F->VolumeList->ColumnAlignment(i))
            << caption;
        EXPECT_GE(F->VolumeList->ColumnWidth(i), 50) << caption;
    }
    EXPECT_EQ((std::vector<std::string>{"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3"}),
              F->FilterCombo->AllItems());
    EXPECT_EQ("*.*", F->FilterCombo->Text());
    EXPECT_EQ(3, F->StatusBar1->PanelCount());
}

TEST_F(MainForm, ToolBarHasItsEighteenPositionsInOrder) {
    struct TPos {
        const char* Name;
        TAction* Action;
        TToolButtonStyle Style;
        TPopupMenu* Menu;
    };
    const TPos positions[] = {{"ToolButton1", F->actVolumes, tbsButton, nullptr},
                              {"ToolButton2", F->actCharts, tbsButton, nullptr},
                              {"ToolButton6", F->actExplorer, tbsButton, nullptr},
                              {"ToolButton9", nullptr, tbsSeparator, nullptr},
                              {"ToolButton4", F->actChartFiles, tbsButton, nullptr},
                              {"ToolButton3", F->actChartNext, tbsDropDown, F->ChartPopup},
                              {"ToolButton5", F->actLegend, tbsButton, nullptr},
                              {"ToolButton13", F->actJpg, tbsButton, nullptr},
                              {"ToolButton7", F->actPrint, tbsDropDown, F->PrintPopup},
                              {"ToolButton14", F->actShortcuts, tbsButton, nullptr},
                              {"ToolButton15", F->actFolderSizes, tbsButton, nullptr},
                              {"ToolButton10", nullptr, tbsSeparator, nullptr},
                              {"FilterCombo", nullptr, tbsControl, nullptr},
                              {"ToolButton16", nullptr, tbsSeparator, nullptr},
                              {"ToolButton17", F->actRegister, tbsDropDown, F->RegisterPopup},
                              {"ToolButton8", F->actReadme, tbsButton, nullptr},
                              {"ToolButton11", F->actAbout, tbsButton, nullptr},
                              {"ToolButton12", F->actExit, tbsButton, nullptr}};
    ASSERT_EQ(18, F->ToolBar1->ButtonCount());
    ASSERT_EQ(18, F->ToolBar1->SystemButtonCount());
    int previousRight = 0;
    for (int i = 0; i < 18; ++i) {
        TToolButton* b = F->ToolBar1->Buttons(i);
        EXPECT_EQ(positions[i].Name, b->Name()) << i;
        EXPECT_EQ(positions[i].Action, b->Action()) << i;
        EXPECT_EQ(positions[i].Style, b->Style()) << i;
        EXPECT_EQ(positions[i].Menu, b->DropdownMenu()) << i;
        RECT r = b->ItemRect();
        EXPECT_GE(r.left, previousRight) << i;  // left to right in this order
        previousRight = r.right;
        if (b->Style() == tbsSeparator) {
            EXPECT_EQ(8, r.right - r.left) << i;
        }
        if (b->Action()) {
            EXPECT_EQ(b->Action()->Hint(), b->Hint());
            EXPECT_EQ(b->Action()->ImageIndex(), b->ImageIndex());
        }
    }
    RECT combo = F->FilterComboButton->ItemRect();
    EXPECT_EQ(99, combo.right - combo.left);
    EXPECT_EQ(combo.left, F->FilterCombo->Left());
    EXPECT_EQ(99, F->FilterCombo->Width());
    EXPECT_EQ(crHandPoint, F->ToolBar1->Cursor());
}

TEST_F(MainForm, CommandTableAndCheckedStatesAtStart) {
    struct TRow {
        TAction* Action;
        const char* Caption;
        const char* Hint;
        int Image;
        TShortCut Key;
        bool Checked;
    };
    const TShortCut ctrl = ssCtrl;
    const TRow rows[] = {
        {F->actVolumes, "Volumes", "Toggle volumes display", 2, ShortCut('V', ctrl), true},
        {F->actCharts, "Charts", "Toggle charts display", 3, ShortCut('C', ctrl), true},
        {F->actExplorer, "Explorer", "Toggle explorer display", 1, ShortCut('E', ctrl), true},
        {F->actPie, "Pie Chart", "Set pie chart", 0, ShortCut('B', ctrl), false},
        {F->actPie3D, "Pie Chart 3D", "Set pie chart 3D", 0, 0, false},
        {F->actBar, "Bar Chart", "Set bar chart", 0, 0, false},
        {F->actBar3D, "Bar Chart 3D", "Set bar chart 3D", 0, 0, false},
        {F->actChartNext, "Toggle Chart", "Set next chart type", 0, 0, false},
        {F->actChartFiles, "Chart Files", "Toggle chart folders or file types", 10, ShortCut('F', ctrl), true},
        {F->actLegend, "Legend", "Toggle chart legend", 4, ShortCut('L', ctrl), false},
        {F->actPrint, "Print", "Print report", 5, ShortCut('P', ctrl), false},
        {F->actPrintCsv, "Print (CSV)", "Print current folder to csv file", 5, 0, false},
        {F->actPrintAll, "Print All Sub-Folders", "Print Selected Folder and All Sub-Folders", 5, 0, false},
        {F->actPrintAllCsv, "Print All Sub-Folders (CSV)", "Print including all sub-folders (CSV)", 5, 0, false},
        {F->actReadme, "", "View the readme file", 6, ShortCut(VK_F1, 0), false},
        {F->actAbout, "", "About", 7, 0, false},
        {F->actExit, "", "Quit", 8, ShortCut('X', ctrl), false},
        {F->actJpg, "", "Save chart to jpg file", 9, ShortCut('J', ctrl), false},
        {F->actShortcuts, "Shortcuts", "Jump to shortcuts folder", 11, ShortCut('S', ctrl | ssShift), false},
        {F->actFolderSizes, "Folder Sizes", "Enable or disable folder size calculation", 12, 0, false},
        {F->actRegister, "Register Shell Extension", "Register the Explorer shell extension for Voluscope", 16, 0,
         false},
        {F->actUnregister, "Unregister Shell Extension", "Unregister the Explorer shell extension for Voluscope", 17, 0,
         false},
        {F->actChartSize, "Chart Size", "Chart total file sizes", -1, 0, true},
        {F->actChartSlack, "Chart Slack", "Chart slack space", -1, 0, false},
        {F->actChartCount, "Chart Files", "Chart file count", -1, 0, false},
        {F->actTreemap, "Treemap", "Set treemap", 18, 0, false},
        {F->actSaveScan, "Save Scan...", "Save the scan of the folder and all its sub-folders (ncdu JSON, gzip for .gz)",
         5, 0, false},
        {F->actOpenScan, "Open Scan...", "Show a saved scan (ncdu JSON, also gzip) as if it were a folder on disk", 5,
         0, false},
        {F->actCompare, "Compare With...", "Compare the folder with an earlier scan", 5, 0, false},
        {F->actChartGrowth, "Chart Growth", "Chart what grew since the earlier scan", -1, 0, false},
        {F->actKeepHistory, "Keep Scan History",
         "Keep each completed scan of a folder, to compare the folder with it later", -1, 0, false}};
    ASSERT_EQ(31, F->ActionList1->ActionCount());
    for (int i = 0; i < 31; ++i) {
        const TRow& r = rows[i];
        EXPECT_EQ(r.Action, F->ActionList1->Actions(i)) << i;  // in the order of the list
        EXPECT_EQ(r.Caption, r.Action->Caption()) << r.Action->Name();
        EXPECT_EQ(r.Hint, r.Action->Hint()) << r.Action->Name();
        EXPECT_EQ(r.Image, r.Action->ImageIndex()) << r.Action->Name();
        EXPECT_EQ(r.Key, r.Action->ShortCut()) << r.Action->Name();
        EXPECT_EQ(r.Checked, r.Action->Checked()) << r.Action->Name();
        // Growth can be charted only while comparing with an earlier scan.
        EXPECT_EQ(r.Action != F->actChartGrowth, r.Action->Enabled()) << r.Action->Name();
    }
    // Pressed tool buttons: the three panes and the folders-or-types switch, nothing else.
    for (int i = 0; i < F->ToolBar1->ButtonCount(); ++i) {
        TToolButton* b = F->ToolBar1->Buttons(i);
        bool pressed = b == F->ToolButton1 || b == F->ToolButton2 || b == F->ToolButton6 || b == F->ToolButton4;
        EXPECT_EQ(pressed, b->Down()) << b->Name();
    }
    // Checked menu items: "Pie Chart" and "Chart Size".
    for (TPopupMenu* m : {F->PrintPopup, F->ChartPopup, F->RegisterPopup})
        for (int i = 0; i < m->Count(); ++i) {
            EXPECT_EQ(m->Items(i) == F->PieChart1 || m->Items(i) == F->ChartSize1, m->Items(i)->Checked())
                << m->Items(i)->Name();
        }
    EXPECT_EQ(1024, ::GetSystemMetrics(SM_CYSCREEN));  // the test display the figures assume
}

TEST_F(MainForm, PopupMenusHoldTheirItemsInOrder) {
    auto captions = [](TPopupMenu* m) {
        std::vector<std::string> out;
        for (int i = 0; i < m->Count(); ++i) out.push_back(m->Items(i)->Caption());
        return out;
    };
    EXPECT_EQ(
        (std::vector<std::string>{"Print", "Print (CSV)", "Print All Sub-Folders", "Print All Sub-Folders (CSV)", "-",
                                  "Save Scan...", "Open Scan...", "Compare With...", "Keep Scan History"}),
        captions(F->PrintPopup));
    EXPECT_TRUE(F->SelectedFolder1->Default());
    EXPECT_EQ((std::vector<std::string>{"Pie Chart", "Pie Chart 3D", "Bar Chart", "Bar Chart 3D", "Treemap", "-",
                                        "Chart Size", "Chart Slack", "Chart Files", "Chart Growth"}),
              captions(F->ChartPopup));
    EXPECT_EQ(F->actChartCount, F->ChartFiles1->Action());
    EXPECT_EQ((std::vector<std::string>{"Register Shell Extension", "Unregister Shell Extension"}),
              captions(F->RegisterPopup));
    EXPECT_TRUE(F->RegisterShellExtension1->Default());
    // Only Print of the four print commands has a key.
    EXPECT_EQ(ShortCut('P', ssCtrl), F->SelectedFolder1->ShortCut());
    for (TMenuItem* i : {F->PrintCSV1, F->IncludeSubFolders1, F->IncludeSubFoldersCSV1}) {
        EXPECT_EQ(0u, i->ShortCut());
    }
    // Radio groups: choosing a chart type moves the mark within its group only.
    F->BarChart1->Click();
    EXPECT_TRUE(F->BarChart1->Checked());
    EXPECT_FALSE(F->PieChart1->Checked());
    EXPECT_TRUE(F->ChartSize1->Checked());
    F->ChartSlack1->Click();
    EXPECT_TRUE(F->ChartSlack1->Checked());
    EXPECT_FALSE(F->ChartSize1->Checked());
    EXPECT_TRUE(F->actChartSlack->Checked());
    EXPECT_TRUE(F->BarChart1->Checked());
}

TEST_F(MainForm, CloseButtonsShowOnlyTheirGlyphAfterTheIdleUpdate) {
    F->Show();
    uitest::Pump();
    EXPECT_EQ("Volumes", F->CloseVolumeButton->Caption());  // what the action gave it
    Application->Idle();
    EXPECT_EQ("", F->CloseVolumeButton->Caption());
    EXPECT_EQ("", F->CloseChartButton->Caption());
    EXPECT_EQ(2, F->CloseVolumeButton->ImageIndex());
    EXPECT_EQ(3, F->CloseChartButton->ImageIndex());
}

TEST_F(MainForm, PaneTogglesLeaveTheRightSizes) {
    const int tool = F->ToolBar1->Height(), status = F->StatusBar1->Height(), ch = F->ClientHeight();
    const int half = F->Width() / 2;
    auto bottomShownWithChart = [&](bool explorer) {
        EXPECT_TRUE(F->BottomPanel->Visible());
        EXPECT_TRUE(F->Splitter2->Visible());
        EXPECT_EQ(alTop, F->VolumePanel->Align());
        EXPECT_EQ(136, F->VolumePanel->Height());
        EXPECT_EQ(tool + 136, F->Splitter2->Top());
        EXPECT_EQ(tool + 139, F->BottomPanel->Top());
        if (explorer) {
            EXPECT_EQ(half, F->Panel8->Width());
            EXPECT_EQ(half, F->Splitter1->Left());
            EXPECT_EQ(half + 3, F->Panel7->Left());
        } else {
            EXPECT_EQ(F->BottomPanel->ClientWidth(), F->Panel8->Width());
        }
    };
    // Explorer off while the chart is on: the chart fills the lower area.
    F->actExplorer->Execute();
    EXPECT_FALSE(F->Panel7->Visible());
    EXPECT_FALSE(F->Splitter1->Visible());
    EXPECT_EQ(alClient, F->Panel8->Align());
    bottomShownWithChart(false);
    // On again: the chart gets half the window width, the splitter sits to its right.
    F->actExplorer->Execute();
    EXPECT_TRUE(F->Panel7->Visible());
    bottomShownWithChart(true);

    // Chart off, then explorer off: the lower area goes and the volume list fills the window.
    F->actCharts->Execute();
    EXPECT_FALSE(F->Panel8->Visible());
    EXPECT_TRUE(F->BottomPanel->Visible());
    EXPECT_EQ(0, F->Splitter1->Left());
    F->actExplorer->Execute();
    EXPECT_FALSE(F->BottomPanel->Visible());
    EXPECT_FALSE(F->Splitter2->Visible());
    EXPECT_EQ(alClient, F->VolumePanel->Align());
    EXPECT_EQ(ch - tool - status, F->VolumePanel->Height());
    EXPECT_EQ(F->VolumePanel->ClientHeight() - 24 - 8 + 2, F->VolumeList->Height() + 2);  // the list grows too
    // Explorer back on: volume pane 136 high with the splitter under it.
    F->actExplorer->Execute();
    EXPECT_TRUE(F->BottomPanel->Visible());
    EXPECT_FALSE(F->Panel8->Visible());
    EXPECT_EQ(136, F->VolumePanel->Height());
    EXPECT_EQ(tool + 136, F->Splitter2->Top());

    // Both off again, then the chart back on: the same restoration, the chart filling the area.
    F->actExplorer->Execute();
    EXPECT_FALSE(F->BottomPanel->Visible());
    F->actCharts->Execute();
    EXPECT_TRUE(F->Panel8->Visible());
    bottomShownWithChart(false);
    // Chart off with the explorer off hides the lower area again.
    F->actCharts->Execute();
    EXPECT_FALSE(F->BottomPanel->Visible());
    EXPECT_FALSE(F->actCharts->Checked());
    EXPECT_FALSE(F->actExplorer->Checked());
    // The volume pane alone: hidden, then shown.
    F->actVolumes->Execute();
    EXPECT_FALSE(F->VolumePanel->Visible());
    EXPECT_FALSE(F->ToolButton1->Down());
    F->actVolumes->Execute();
    EXPECT_TRUE(F->VolumePanel->Visible());
    EXPECT_TRUE(F->ToolButton1->Down());
}

TEST_F(MainForm, StatusPanelZeroFollowsTheWindowWidth) {
    F->SetBounds(F->Left(), F->Top(), 500, 400);
    EXPECT_EQ(500, F->Width());
    EXPECT_EQ(260, F->StatusBar1->PanelWidth(0));
    EXPECT_EQ(260, F->StatusBar1->SystemPartEdges().at(0));
    EXPECT_EQ(340, F->StatusBar1->SystemPartEdges().at(1));
    EXPECT_EQ(80, F->StatusBar1->PanelWidth(1));
    EXPECT_EQ(50, F->StatusBar1->PanelWidth(2));
}

TEST_F(MainForm, EveryKeyOfTheKeyboardTableRunsItsCommand) {
    F->Show();
    uitest::Pump();
    struct TKey {
        WORD Vk;
        unsigned Shift;
        TAction* Action;
    };
    const TKey keys[] = {
        {'V', ssCtrl, F->actVolumes}, {'C', ssCtrl, F->actCharts},     {'E', ssCtrl, F->actExplorer},
        {'B', ssCtrl, F->actPie},     {'F', ssCtrl, F->actChartFiles}, {'L', ssCtrl, F->actLegend},
        {'P', ssCtrl, F->actPrint},   {'J', ssCtrl, F->actJpg},        {'S', ssCtrl | ssShift, F->actShortcuts},
        {'X', ssCtrl, F->actExit},    {VK_F1, 0, F->actReadme}};
    std::vector<TAction*> ran;
    for (const TKey& k : keys) k.Action->OnExecute = [&](TObject* s) { ran.push_back(dynamic_cast<TAction*>(s)); };
    // From the volume list, and from the filter box's edit field.
    for (HWND target : {F->VolumeList->Handle(), ::GetWindow(F->FilterCombo->Handle(), GW_CHILD)}) {
        ran.clear();
        for (const TKey& k : keys) uitest::PressKey(target, k.Vk, k.Shift);
        ASSERT_EQ(std::size(keys), ran.size());
        for (size_t i = 0; i < ran.size(); ++i) EXPECT_EQ(keys[i].Action, ran[i]) << keys[i].Action->Name();
    }
    // Alt+S: the label's accelerator focuses the volume list.
    F->StShellComboBox1->SetFocus();
    uitest::PressAltKey(::GetFocus(), L's');
    EXPECT_TRUE(F->VolumeList->Focused());
}

TEST_F(MainForm, ChartDropDownFaceCyclesTheTypeAndArrowOpensTheMenu) {
    F->Show();
    uitest::Pump();
    int popups = 0;
    F->ChartPopup->OnPopup = [&](TObject*) {
        ++popups;
        ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            ::EndMenu();
        });
    };
    RECT r = F->ToolButton3->ItemRect();
    HWND bar = F->ToolBar1->Handle();
    auto click = [&](int x) {
        ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, (r.top + r.bottom) / 2));
        ::SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, (r.top + r.bottom) / 2));
        uitest::Pump(100);
    };
    click(r.left + 5);
    EXPECT_EQ(0, popups);
    EXPECT_TRUE(F->actPie3D->Checked());  // 2D pie -> 3D pie
    click(r.left + 5);
    EXPECT_TRUE(F->actBar->Checked());
    click(r.right - 3);
    EXPECT_EQ(1, popups);
    EXPECT_TRUE(F->actBar->Checked());  // the arrow changes nothing by itself
    EXPECT_FALSE(F->ToolButton3->Down());
}

TEST_F(MainForm, SplashHandsOverToTheProgressWindowAfterTheFirstListing) {
    SplashForm = new TSplashForm(nullptr);
    SplashForm->AfterConstruction();
    ProgressForm = new TProgressForm(nullptr);
    ProgressForm->AfterConstruction();
    // The first listing: the splash shows its progress; the progress window stays hidden.
    F->ListOnBeforeFill(F->StShellListView1);
    EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));
    F->StShellListView1ListFilled(F->StShellListView1);
    EXPECT_EQ(nullptr, SplashForm);
    // Later listings show the progress window and hide it when complete.
    F->ListOnBeforeFill(F->StShellListView1);
    EXPECT_TRUE(::IsWindowVisible(ProgressForm->Handle()));
    F->StShellListView1ListFilled(F->StShellListView1);
    EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));
    // Showing the window runs the first listing through the same hand-over.
    SplashForm = new TSplashForm(nullptr);
    SplashForm->AfterConstruction();
    F->Params.clear();  // the test program's own arguments are no folder
    F->Show();
    uitest::Pump();
    EXPECT_EQ(nullptr, SplashForm);
    EXPECT_FALSE(::IsWindowVisible(ProgressForm->Handle()));
    delete ProgressForm;
    ProgressForm = nullptr;
}

// ./run waits for the ready file before its screenshot: it appears when the first listing is complete,
// not before, and only when asked for.
TEST_F(MainForm, FirstListingWritesTheReadyFile) {
    vstest::TTempDir temp;
    const std::filesystem::path ready = temp.Path() / "ready";
    uitest::TScopedEnv readyFile(L"VOLUSCOPE_READY_FILE", ready.wstring().c_str());
    SplashForm = new TSplashForm(nullptr);
    SplashForm->AfterConstruction();
    F->ListOnBeforeFill(F->StShellListView1);
    EXPECT_FALSE(std::filesystem::exists(ready));
    F->StShellListView1ListFilled(F->StShellListView1);
    EXPECT_TRUE(std::filesystem::exists(ready));
    // Later listings leave it alone.
    std::filesystem::remove(ready);
    F->ListOnBeforeFill(F->StShellListView1);
    F->StShellListView1ListFilled(F->StShellListView1);
    EXPECT_FALSE(std::filesystem::exists(ready));
}

TEST_F(MainForm, ReadmeOpensTheFileBesideTheProgram) {
    std::vector<std::string> opened;
    F->ShellOpen = [&](const std::string& path) { opened.push_back(path); };
    F->actReadme->Execute();
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(ExeFolder() + "readme.txt", opened[0]);
    EXPECT_EQ('\\', ExeFolder().back());
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}

TEST_F(MainForm, AboutShowsTheAboutWindowModallyAndFreesIt) {
    F->Show();
    uitest::Pump();
    static bool sawModal = false;
    sawModal = false;
    ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        for (TForm* f : TApplication::Forms())
            if (auto* box = dynamic_cast<TAboutBox*>(f); box && box->Modal()) {
                ::KillTimer(nullptr, id);
                sawModal = !::IsWindowEnabled(Application->MainForm()->Handle());
                box->OkButtonClick(box);
            }
    });
    size_t before = TApplication::Forms().size();
    F->actAbout->Execute();
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(before, TApplication::Forms().size());
    EXPECT_TRUE(::IsWindowEnabled(F->Handle()));
}

TEST_F(MainForm, LaysOutForOneAndAHalfTimesTheDpi) {
    // As when the window moves to a 150 % monitor: the system suggests the new rectangle.
    RECT suggested{120, 100, 120 + 1040, 100 + 824};
    ::SendMessageW(F->Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(1040, F->Width());
    EXPECT_EQ(144, F->Dpi());
    EXPECT_EQ(38, F->ToolBar1->Height());
    EXPECT_EQ(204, F->VolumePanel->Height());
    EXPECT_EQ(5, F->Splitter2->Height());
    EXPECT_EQ(36, F->Panel1->Height());
    EXPECT_EQ(35, F->Panel3->Height());
    EXPECT_EQ(29, F->StatusBar1->Height());
    EXPECT_EQ(F->ClientHeight() - 29, F->StatusBar1->Top());
    EXPECT_EQ(12, F->Label1->Left());
    EXPECT_EQ(9, F->Label1->Top());
    EXPECT_EQ(30, F->CloseVolumeButton->Width());
    EXPECT_EQ(150, F->VolumeList->ColumnWidth(0));
    EXPECT_EQ(90, F->VolumeList->ColumnWidth(1));
    EXPECT_EQ(120, F->StatusBar1->PanelWidth(1));
    EXPECT_EQ(75, F->StatusBar1->PanelWidth(2));
    EXPECT_EQ(F->Width() - 360, F->StatusBar1->PanelWidth(0));
    EXPECT_EQ(24, F->ActionImages->SizeForDpi(F->Dpi()));
    RECT sep = F->ToolButton9->ItemRect(), combo = F->FilterComboButton->ItemRect();
    EXPECT_EQ(12, sep.right - sep.left);
    EXPECT_EQ(149, combo.right - combo.left);
    LOGFONTW lf{};
    ::GetObjectW(F->VolumeList->FontHandle(), sizeof lf, &lf);
    EXPECT_EQ(-16, lf.lfHeight);  // 8 points at 144 DPI
    // The pane rules use scaled sizes.
    F->actCharts->Execute();
    F->actExplorer->Execute();
    F->actExplorer->Execute();
    EXPECT_EQ(204, F->VolumePanel->Height());
    EXPECT_EQ(38 + 204, F->Splitter2->Top());
    EXPECT_EQ(F->Width() / 2, F->Panel8->Width());
    F->Show();
    uitest::Pump();
    Application->Idle();
    uitest::SaveWindowShot(F->Handle(), "main-window-144dpi");
}
