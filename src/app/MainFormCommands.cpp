// The main window's command set: actions, tool bar, pop-up menus and the pane rules.
#include "app/ActionImages.h"
#include "app/MainFormUnit.h"

TAction* TMainForm::NewAction(const std::string& name, const std::string& caption, const std::string& hint, int image,
                              TShortCut shortCut, bool checked, void (TMainForm::*execute)(TObject*)) {
    auto* a = new TAction(ActionList1, name);
    a->SetCaption(caption);
    a->SetHint(hint);
    a->SetImageIndex(image);
    a->SetShortCut(shortCut);
    a->SetChecked(checked);
    a->OnExecute = [this, execute](TObject* sender) { (this->*execute)(sender); };
    return a;
}

void TMainForm::CreateActions() {
    ActionList1 = new TActionList(this);
    ActionList1->SetName("ActionList1");
    ActionList1->SetImages(ActionImages);
    const unsigned ctrl = ssCtrl;
    actVolumes = NewAction("actVolumes", "Volumes", "Toggle volumes display", 2, ShortCut('V', ctrl), true,
                           &TMainForm::actVolumesExecute);
    actVolumes->OnUpdate = [this](TObject* s) { actVolumesUpdate(s); };
    actCharts = NewAction("actCharts", "Charts", "Toggle charts display", 3, ShortCut('C', ctrl), true,
                          &TMainForm::actChartsExecute);
    actCharts->OnUpdate = [this](TObject* s) { actChartsUpdate(s); };
    actExplorer = NewAction("actExplorer", "Explorer", "Toggle explorer display", 1, ShortCut('E', ctrl), true,
                            &TMainForm::actExplorerExecute);
    actPie =
        NewAction("actPie", "Pie Chart", "Set pie chart", 0, ShortCut('B', ctrl), false, &TMainForm::actPieExecute);
    actPie3D = NewAction("actPie3D", "Pie Chart 3D", "Set pie chart 3D", 0, 0, false, &TMainForm::actPie3DExecute);
    actBar = NewAction("actBar", "Bar Chart", "Set bar chart", 0, 0, false, &TMainForm::actBarExecute);
    actBar3D = NewAction("actBar3D", "Bar Chart 3D", "Set bar chart 3D", 0, 0, false, &TMainForm::actBar3DExecute);
    actChartNext =
        NewAction("actChartNext", "Toggle Chart", "Set next chart type", 0, 0, false, &TMainForm::actChartNextExecute);
    actChartFiles = NewAction("actChartFiles", "Chart Files", "Toggle chart folders or file types", 10,
                              ShortCut('F', ctrl), true, &TMainForm::actChartFilesExecute);
    actLegend = NewAction("actLegend", "Legend", "Toggle chart legend", 4, ShortCut('L', ctrl), false,
                          &TMainForm::actLegendExecute);
    actPrint =
        NewAction("actPrint", "Print", "Print report", 5, ShortCut('P', ctrl), false, &TMainForm::actPrintExecute);
    actPrintCsv = NewAction("actPrintCsv", "Print (CSV)", "Print current folder to csv file", 5, 0, false,
                            &TMainForm::actPrintCsvExecute);
    actPrintAll = NewAction("actPrintAll", "Print All Sub-Folders", "Print Selected Folder and All Sub-Folders", 5, 0,
                            false, &TMainForm::actPrintAllExecute);
    actPrintAllCsv = NewAction("actPrintAllCsv", "Print All Sub-Folders (CSV)", "Print including all sub-folders (CSV)",
                               5, 0, false, &TMainForm::actPrintAllCsvExecute);
    actReadme =
        NewAction("actReadme", "", "View the readme file", 6, ShortCut(VK_F1, 0), false, &TMainForm::actReadmeExecute);
    actAbout = NewAction("actAbout", "", "About", 7, 0, false, &TMainForm::actAboutExecute);
    actExit = NewAction("actExit", "", "Quit", 8, ShortCut('X', ctrl), false, &TMainForm::actExitExecute);
    actJpg =
        NewAction("actJpg", "", "Save chart to jpg file", 9, ShortCut('J', ctrl), false, &TMainForm::actJpgExecute);
    actShortcuts = NewAction("actShortcuts", "Shortcuts", "Jump to shortcuts folder", 11, ShortCut('S', ctrl | ssShift),
                             false, &TMainForm::actShortcutsExecute);
    actFolderSizes = NewAction("actFolderSizes", "Folder Sizes", "Enable or disable folder size calculation", 12, 0,
                               false, &TMainForm::actFolderSizesExecute);
    actRegister =
        NewAction("actRegister", "Register Shell Extension", "Register the Explorer shell extension for Voluscope", 16,
                  0, false, &TMainForm::actRegisterExecute);
    actUnregister = NewAction("actUnregister", "Unregister Shell Extension",
                              "Unregister the Explorer shell extension for Voluscope", 17, 0, false,
                              &TMainForm::actUnregisterExecute);
    actChartSize =
        NewAction("actChartSize", "Chart Size", "Chart total file sizes", -1, 0, true, &TMainForm::actChartSizeExecute);
    actChartSlack =
        NewAction("actChartSlack", "Chart Slack", "Chart slack space", -1, 0, false, &TMainForm::actChartSizeExecute);
    actChartCount =
        NewAction("actChartCount", "Chart Files", "Chart file count", -1, 0, false, &TMainForm::actChartSizeExecute);
    actTreemap = NewAction("actTreemap", "Treemap", "Set treemap", aiTreemap, 0, false, &TMainForm::actTreemapExecute);
    actSaveScan = NewAction("actSaveScan", "Save Scan...",
                            "Save the scan of the folder and all its sub-folders (ncdu JSON, gzip for .gz)", 5, 0,
                            false, &TMainForm::actSaveScanExecute);
    // Showing and hiding panes and the read-me touch no data, so they may run during a listing.
    for (TAction* a : {actVolumes, actCharts, actExplorer, actReadme}) a->SetRunsWhileBusy(true);
    // Chosen again while a save runs, it stops the save (it holds nothing back when not saving).
    actSaveScan->SetRunsWhileBusy(true);
}

void TMainForm::CreateMenus() {
    PrintPopup = new TPopupMenu(this);
    PrintPopup->SetName("PrintPopup");
    SelectedFolder1 = new TMenuItem(PrintPopup, "SelectedFolder1");
    SelectedFolder1->SetAction(actPrint);
    SelectedFolder1->SetDefault(true);
    PrintCSV1 = new TMenuItem(PrintPopup, "PrintCSV1");
    PrintCSV1->SetAction(actPrintCsv);
    IncludeSubFolders1 = new TMenuItem(PrintPopup, "IncludeSubFolders1");
    IncludeSubFolders1->SetAction(actPrintAll);
    IncludeSubFoldersCSV1 = new TMenuItem(PrintPopup, "IncludeSubFoldersCSV1");
    IncludeSubFoldersCSV1->SetAction(actPrintAllCsv);
    N2 = new TMenuItem(PrintPopup, "N2", "-");
    SaveScan1 = new TMenuItem(PrintPopup, "SaveScan1");
    SaveScan1->SetAction(actSaveScan);
    CreateScanCommands();

    ChartPopup = new TPopupMenu(this);
    ChartPopup->SetName("ChartPopup");
    auto radio = [this](const std::string& name, TAction* action, int group) {
        auto* item = new TMenuItem(ChartPopup, name);
        item->SetAction(action);
        item->SetRadioItem(true);
        item->SetGroupIndex(group);
        return item;
    };
    PieChart1 = radio("PieChart1", actPie, 2);
    PieChart1->SetCaption("Pie Chart");
    PieChart1->SetChecked(true);
    PieChart3D1 = radio("PieChart3D1", actPie3D, 2);
    BarChart1 = radio("BarChart1", actBar, 2);
    BarChart3D1 = radio("BarChart3D1", actBar3D, 2);
    Treemap1 = radio("Treemap1", actTreemap, 2);
    N1 = new TMenuItem(ChartPopup, "N1", "-");
    ChartSize1 = radio("ChartSize1", actChartSize, 3);
    ChartSize1->SetChecked(true);
    ChartSlack1 = radio("ChartSlack1", actChartSlack, 3);
    ChartFiles1 = radio("ChartFiles1", actChartCount, 3);

    RegisterPopup = new TPopupMenu(this);
    RegisterPopup->SetName("RegisterPopup");
    RegisterShellExtension1 = new TMenuItem(RegisterPopup, "RegisterShellExtension1");
    RegisterShellExtension1->SetAction(actRegister);
    RegisterShellExtension1->SetDefault(true);
    UnregisterShellExtension1 = new TMenuItem(RegisterPopup, "UnregisterShellExtension1");
    UnregisterShellExtension1->SetAction(actUnregister);
}

void TMainForm::CreateToolBar() {
    ToolBar1 = new TToolBar(this, this);
    ToolBar1->SetName("ToolBar1");
    ToolBar1->SetBounds(0, 0, ClientWidth(), 25);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetImages(ActionImages);

    FilterCombo = new TComboBox(this, ToolBar1);
    FilterCombo->SetName("FilterCombo");
    FilterCombo->SetWidth(99);
    for (const char* mask : {"*.*", "*.bak", "*.~*", "*.tmp", "*.wav", "*.mp3"}) FilterCombo->Add(mask);

    ToolButton1 = ToolBar1->AddButton("ToolButton1", actVolumes);
    ToolButton2 = ToolBar1->AddButton("ToolButton2", actCharts);
    ToolButton6 = ToolBar1->AddButton("ToolButton6", actExplorer);
    ToolButton9 = ToolBar1->AddSeparator("ToolButton9", 8);
    ToolButton4 = ToolBar1->AddButton("ToolButton4", actChartFiles);
    ToolButton3 = ToolBar1->AddButton("ToolButton3", actChartNext, tbsDropDown);
    ToolButton3->SetDropdownMenu(ChartPopup);
    ToolButton5 = ToolBar1->AddButton("ToolButton5", actLegend);
    ToolButton13 = ToolBar1->AddButton("ToolButton13", actJpg);
    ToolButton7 = ToolBar1->AddButton("ToolButton7", actPrint, tbsDropDown);
    ToolButton7->SetDropdownMenu(PrintPopup);
    ToolButton14 = ToolBar1->AddButton("ToolButton14", actShortcuts);
    ToolButton15 = ToolBar1->AddButton("ToolButton15", actFolderSizes);
    ToolButton10 = ToolBar1->AddSeparator("ToolButton10", 8);
    FilterComboButton = ToolBar1->AddControl("FilterCombo", FilterCombo);
    ToolButton16 = ToolBar1->AddSeparator("ToolButton16", 8);
    ToolButton17 = ToolBar1->AddButton("ToolButton17", actRegister, tbsDropDown);
    ToolButton17->SetDropdownMenu(RegisterPopup);
    ToolButton8 = ToolBar1->AddButton("ToolButton8", actReadme);
    ToolButton11 = ToolBar1->AddButton("ToolButton11", actAbout);
    ToolButton12 = ToolBar1->AddButton("ToolButton12", actExit);
}

// ---------------------------------------------------------------------------------------------------------------
// Panes

void TMainForm::actVolumesExecute(TObject*) {
    ToggleVolumesPane();
}
void TMainForm::actChartsExecute(TObject*) {
    ToggleChartsPane();
}
void TMainForm::actExplorerExecute(TObject*) {
    ToggleExplorerPane();
}

void TMainForm::ToggleVolumesPane() {
    actVolumes->SetChecked(!actVolumes->Checked());
    VolumePanel->SetVisible(actVolumes->Checked());
}

void TMainForm::ToggleChartsPane() {
    actCharts->SetChecked(!actCharts->Checked());
    bool on = actCharts->Checked();
    Panel8->SetVisible(on);
    if (on && !BottomPanel->Visible()) SetBottomVisible(true);
    if (!on && !actExplorer->Checked()) SetBottomVisible(false);
}

void TMainForm::ToggleExplorerPane() {
    actExplorer->SetChecked(!actExplorer->Checked());
    TAlignLock lock(BottomPanel);
    if (actExplorer->Checked()) {
        if (!BottomPanel->Visible()) SetBottomVisible(true);
        Panel8->SetAlign(alLeft);
        Panel8->SetWidth(Width() / 2);
        Splitter1->SetVisible(true);
        Splitter1->SetLeft(Width());  // to the right of Panel8
        Panel7->SetVisible(true);
    } else {
        Panel7->SetVisible(false);
        Splitter1->SetVisible(false);
        Panel8->SetAlign(alClient);
        if (!actCharts->Checked()) SetBottomVisible(false);
    }
}

void TMainForm::SetBottomVisible(bool Show) {
    TAlignLock lock(this);
    if (Show) {
        VolumePanel->SetAlign(alTop);
        VolumePanel->SetHeight(Scale(136));
        Splitter2->SetVisible(true);
        Splitter2->SetTop(Scale(140));
        BottomPanel->SetVisible(true);
    } else {
        BottomPanel->SetVisible(false);
        Splitter2->SetVisible(false);
        VolumePanel->SetAlign(alClient);
    }
}

void TMainForm::actVolumesUpdate(TObject*) {
    CloseVolumeButton->SetCaption("");
}
void TMainForm::actChartsUpdate(TObject*) {
    CloseChartButton->SetCaption("");
}
