#pragma once
// MainForm: the program's one main window with its three panes (volumes, chart, explorer), the tool
// bar, the status bar and every command.
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chart/BarSeries.h"
#include "chart/ChartPanel_win.h"
#include "chart/PieSeries.h"
#include "charts/ChartData.h"
#include "charts/ChartModes.h"
#include "charts/JpegWriter.h"
#include "charts/TreemapPanel_win.h"
#include "reports/ReportTables.h"
#include "reports/TreeWalker.h"
#include "scans/ScanHistory.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/ImageList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
class TFolderSizeJob;
struct TFolderModelChange;
class TStShellListView;
class TStShellComboBox;
class TStShellItem;

class TSplashForm;
class TProgressForm;
class TVolumeQueries;

// The splash window while it exists (cleared when the first listing ends), and the progress window.
extern TSplashForm* SplashForm;
extern TProgressForm* ProgressForm;

// The window size start-up derives from a monitor of width x height pixels: each side less
// (side div 100) x 20. A 1024 x 768 monitor gives 824 x 628.
SIZE MainWindowSize(int monitorWidth, int monitorHeight);
// The full rectangle (not the work area) of the first monitor of the system's monitor list.
RECT FirstMonitorRect();
// The program's command-line arguments after its own name, as UTF-8.
std::vector<std::string> CommandLineParams();

class TMainForm : public TForm {
public:
    struct TScanSave;  // a running "Save Scan..." (MainFormScans.cpp)
    explicit TMainForm(TComponent* owner);
    ~TMainForm() override;

    // Components, as the window's tree names them.
    TImageList* ActionImages;
    TActionList* ActionList1;
    TAction *actVolumes, *actCharts, *actExplorer, *actPie, *actPie3D, *actBar, *actBar3D, *actChartNext,
        *actChartFiles, *actLegend, *actPrint, *actPrintCsv, *actPrintAll, *actPrintAllCsv, *actReadme, *actAbout,
        *actExit, *actJpg, *actShortcuts, *actFolderSizes, *actRegister, *actUnregister, *actChartSize, *actChartSlack,
        *actChartCount, *actTreemap, *actSaveScan;
    TPopupMenu *PrintPopup, *ChartPopup, *RegisterPopup;
    TMenuItem *SelectedFolder1, *PrintCSV1, *IncludeSubFolders1, *IncludeSubFoldersCSV1, *N2, *SaveScan1;
    TMenuItem *PieChart1, *PieChart3D1, *BarChart1, *BarChart3D1, *Treemap1, *N1, *ChartSize1, *ChartSlack1,
        *ChartFiles1;
    TMenuItem *RegisterShellExtension1, *UnregisterShellExtension1;

    TToolBar* ToolBar1;
    TToolButton *ToolButton1, *ToolButton2, *ToolButton6, *ToolButton9, *ToolButton4, *ToolButton3, *ToolButton5,
        *ToolButton13, *ToolButton7, *ToolButton14, *ToolButton15, *ToolButton10, *FilterComboButton, *ToolButton16,
        *ToolButton17, *ToolButton8, *ToolButton11, *ToolButton12;
    TComboBox* FilterCombo;
    TPanel* VolumePanel;
    TLabel* Label1;
    TSpeedButton* CloseVolumeButton;
    TListView* VolumeList;
    TSplitter* Splitter2;
    TPanel* BottomPanel;
    TPanel* Panel1;
    TStShellComboBox* StShellComboBox1;
    TSpeedButton* SpeedButton2;
    TPanel* Panel8;
    TPanel* Panel3;
    TSpeedButton* CloseChartButton;
    TChartPanel* Chart1;
    TTreemapPanel* TreemapPanel1 = nullptr;  // shown instead of Chart1 while the treemap is the chart type
    TSplitter* Splitter1;
    TPanel* Panel7;
    TStShellListView* StShellListView1;
    TStatusBar* StatusBar1;

    // The folder list's before-fill event (raised at the start of every listing); FormCreate
    // installs ListViewBeforeFill here.
    TNotifyEvent ListOnBeforeFill;
    // Command-line parameters after the program name; FormShow uses the first.
    std::vector<std::string> Params;
    // Opens a document through the shell; replaced by tests.
    std::function<void(const std::string& path)> ShellOpen;

    // Window events.
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyPress(TObject* Sender, wchar_t& Key);
    void FormResize(TObject* Sender);

    // Pane rules.
    void ToggleVolumesPane();
    void ToggleChartsPane();
    void ToggleExplorerPane();
    void SetBottomVisible(bool Show);

    void ListViewBeforeFill(TObject* Sender);
    void StShellListView1ListFilled(TObject* Sender);
    // The folder list's events.
    void StShellListView1FilterItem(TObject* Sender, TStShellItem* ShellItem, bool& Accept);
    void StShellListView1ItemDblClick(TObject* Sender, TStShellItem* Item, bool& DefaultAction);
    void StShellListView1ShellChangeNotify(TObject* Sender, TStShellItem* OldShellItem, TStShellItem* NewShellItem,
                                           unsigned Events);
    void StShellListView1SelectItem(TObject* Sender, int Index, bool Selected);

    // Settings file: the filter list of FilterCombo.
    void LoadSettings();
    void SaveSettings();

    // Command handlers.
    void actVolumesExecute(TObject* Sender);
    void actChartsExecute(TObject* Sender);
    void actExplorerExecute(TObject* Sender);
    void actVolumesUpdate(TObject* Sender);
    void actChartsUpdate(TObject* Sender);
    void actReadmeExecute(TObject* Sender);
    void actAboutExecute(TObject* Sender);
    void actExitExecute(TObject* Sender);
    void actPieExecute(TObject* Sender);
    void actPie3DExecute(TObject* Sender);
    void actBarExecute(TObject* Sender);
    void actBar3DExecute(TObject* Sender);
    void actChartNextExecute(TObject* Sender);
    void actChartFilesExecute(TObject* Sender);
    void actLegendExecute(TObject* Sender);
    void actPrintExecute(TObject* Sender);
    void actPrintCsvExecute(TObject* Sender);
    void actPrintAllExecute(TObject* Sender);
    void actPrintAllCsvExecute(TObject* Sender);
    void actSaveScanExecute(TObject* Sender);
    void actJpgExecute(TObject* Sender);
    void actShortcutsExecute(TObject* Sender);
    void actFolderSizesExecute(TObject* Sender);
    void actRegisterExecute(TObject* Sender);
    void actUnregisterExecute(TObject* Sender);
    void actChartSizeExecute(TObject* Sender);
    void actTreemapExecute(TObject* Sender);

    // Volume table (MainFormVolumes.cpp). VolumeQueries answers the volume queries; null means the
    // system's (tests put fakes here).
    TVolumeQueries* VolumeQueries = nullptr;
    void FillVolumeList(TListView* List);
    void VolumeListSelectItem(TObject* Sender, int Item, bool Selected);

    // Operations of the browsing and chart subsystems that the frame calls.
    void ResetChartType();
    void OpenFolder(const std::string& Path);
    void OpenDrives();
    void UpdateChart(const std::string& Path, const std::string& DisplayName);
    // The current folder of the folder list: parsing path and display name (empty while none).
    std::string CurrentFolderPath() const;
    std::string CurrentFolderName() const;

    // Reports (MainFormReports.cpp): the four print commands' one operation; the volume list's texts
    // column by column.
    void PrintReport(bool AllSubFolders, bool AsHtml);
    static TVolumeGrid VolumeGridOf(TListView* List);

    bool ChartFileTypes() const { return FChartFileTypes; }

    // Live refresh (MainFormLive.cpp): the list's change notification and the folder combo box linked
    // to the list, set up by FormCreate; the one-shot timer the change handler (re)starts binds the
    // handler to the list again.
    void SetUpLiveRefresh();
    void BindShellChangeNotify();
    TTimer* ShellChangeTimer() const { return FShellChangeTimer; }
    // The folder chart (MainFormCharts.cpp): its two series, the pie at index 0 and the bars at 1.
    TPieSeries* Series1 = nullptr;
    TBarSeries* Series2 = nullptr;
    void ToggleChartFiles(TObject* Sender);
    void Chart1GetLegendText(TChart& Sender, int Index, std::string& LegendText);
    void Chart1GetAxisLabel(TChart& Sender, const TChartAxis& Axis, TChartSeries* Series, int ValueIndex,
                            std::string& LabelText);
    void Chart1ClickSeries(TChart& Sender, TChartSeries& Series, int ValueIndex, TMouseButton Button, TShiftState Shift,
                           int X, int Y);
    void Chart1ClickLegend(TChart& Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // A press at chart position (X, Y): selects the folder of the point or legend entry there and,
    // with the left button, opens it; the right button shows the list's context menu there.
    void ChartPointClick(int X, int Y, TMouseButton Button);
    // The chart as shown, drawn into a bitmap of its client size, which is also put on the
    // clipboard. Raises Exception when the chart has no area.
    TRgbPicture ChartSnapshot();
    // The save dialog, then the chart as a JPEG file; errors raise Exception with their texts.
    void SaveChartToJpeg();
    // The checked metric and the listed items as the chart reads them.
    TChartMetric ChartMetric() const;
    std::vector<TChartRow> ChartRows();
    // Clears the list's selection and selects the row of the folder whose row id a chart point's key
    // holds (the rows may have been sorted since the chart was built); returns that folder's item, or
    // null when the key names no folder row shown (a file-type point, no point, a row gone).
    TStShellItem* SelectChartFolder(const std::string& Key);

    // The treemap (MainFormTreemap.cpp): whether it is the chart shown; laying it out for the current
    // folder from the scan tree, or asking for a walk and showing "Scanning..." until it ends; the tile
    // under the mouse, a click (selects the row of the file or of the sub-folder holding it) and a
    // double click (opens the tile's folder).
    bool TreemapShown() const;
    void UpdateTreemap();
    std::string TreemapTilePath(int Tile);
    void TreemapHover(int Tile);
    void TreemapTileClick(int Tile, TMouseButton Button, int X, int Y);
    void TreemapTileDblClick(int Tile);
    // Clears the list's selection and selects the row whose item has the path (file or folder, in any
    // case); false when no row has it.
    bool SelectTreemapRow(const std::string& Path);

    // Browsing (MainFormBrowse.cpp): the filter box, the up button and the status bar's summaries.
    void FilterComboClick(TObject* Sender);
    void FilterComboKeyPress(TObject* Sender, wchar_t& Key);
    void UpButtonClick(TObject* Sender);
    void ShowFolderSummary();
    // The folder model changed: the combo box follows a new listing; figures that arrived or a walk
    // that changed state update the sums and the chart (FolderFiguresChanged, throttled).
    void FolderModelChanged(const TFolderModelChange& Change);
    void FolderFiguresChanged();
    static constexpr unsigned kFiguresRedrawMs = 250;
    // The summary after the selection of a row changed (Row -1: no row).
    void ShowSelectionSummary(int Row);
    // True while the list's root is the computer's drive level.
    bool ShowingDrives() const;

    // Comparing with an earlier scan (MainFormCompare.cpp): "Compare With..." in the print menu opens
    // CompareMenu (built as it opens: the kept scans of the current folder's root newest first, a scan
    // file, "Stop Comparing"); the scan is read on a worker and becomes the folder list's baseline.
    TAction* actCompare = nullptr;
    // Charts the growth by sub-folder (or file type) while comparing.
    TAction* actChartGrowth = nullptr;
    TMenuItem* ChartGrowth1 = nullptr;
    TMenuItem* CompareWith1 = nullptr;
    TPopupMenu* CompareMenu = nullptr;
    void actCompareExecute(TObject* Sender);
    void BuildCompareMenu();
    // The kept scans that hold the current folder, newest first.
    std::vector<TScanHistoryEntry> CompareCandidates();
    // Starts reading a scan file to compare with; the comparison starts when it has been read.
    void CompareWithFile(const std::string& File);
    void StopComparing();
    bool Comparing() const;

    // Saved scans shown as folders (MainFormOpenScan.cpp). "Open Scan..." reads a scan file on a worker
    // thread (the progress window shows meanwhile; the end comes as kScanReadMessage) and shows it in the
    // list, the charts and the treemap. While it is shown the caption and the status bar say so and the
    // commands that need the disk are disabled; opening a real folder leaves it.
    TAction* actOpenScan = nullptr;
    TMenuItem* OpenScan1 = nullptr;
    static constexpr UINT kScanReadMessage = WM_APP + 0x62;
    // The file dialogs' filter for saved scans (Save Scan, Open Scan, Compare With).
    static constexpr const char* kScanFileFilter = "Scans (*.json.gz;*.json)|*.json.gz;*.json|All files (*.*)|*.*";
    static constexpr UINT kCompareReadMessage = WM_APP + 0x61;  // a baseline scan has been read (or failed)
    void actOpenScanExecute(TObject* Sender);
    bool ShowingScan() const;
    // "saved scan of <date>" (the scan's own time, in the locale's format) while one is shown, else empty.
    std::string SavedScanText() const;
    // After every listing: the caption and the disk commands follow the view.
    void ShowScanState();
    // A chart point's or treemap tile's folder: opened in the saved scan while one is shown, else on disk.
    void OpenChartFolder(const std::string& Path);
    // Lays the treemap out from the saved scan; false when none is shown.
    bool UpdateScanTreemap();
    // The path separator of the tree the treemap shows.
    char TreemapSeparator() const;

    // The scan history (MainFormHistory.cpp): "Keep Scan History" in the print menu, checked, its state in
    // the settings file. While on, each completed walk of a root is kept by the scan keeper on its own
    // thread; a history that cannot be written is said once (its warning posted as kHistoryWarningMessage).
    TAction* actKeepHistory = nullptr;
    TMenuItem* KeepHistory1 = nullptr;
    static constexpr UINT kHistoryWarningMessage = WM_APP + 0x63;
    void actKeepHistoryExecute(TObject* Sender);
    bool KeepingHistoryIdle() const;  // no scan waits to be kept or is being written
    void KeepShownFolder();           // once the list's figures are in: a walk of the folder shown, kept
    struct THistoryKeeping;
    std::shared_ptr<THistoryKeeping> FHistory;
    void CreateHistory();
    void HistoryWarningArrived();

protected:
    // The ends of work done on worker threads, posted to the window.
    LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

private:
    struct TScanOpen;
    std::shared_ptr<TScanOpen> FScanOpen;  // the read under way, if any
    std::thread FScanOpenThread;
    void ScanOpenEnded();
    void ScanReadArrived();
    void CreateScanCommands();
    struct TCompareRead;
    std::vector<std::shared_ptr<TCompareRead>> FCompareReads;  // reads not yet ended or not yet seen ended
    TCompareRead* FCompareWanted = nullptr;                    // the last one asked for, until it ends
    void CreateCompare();
    void CompareReadEnded();
    void CompareReadArrived();

    struct TReportData;
    bool CollectReport(bool AllSubFolders, bool AsHtml, TReportData& Data);
    // The warning after a report whose walk could not read everything.
    void WarnIfIncomplete(const TCollectResult& Walk);
    bool FReportRunning = false;
    // While "Save Scan..." runs (MainFormScans.cpp): its job, whose worker posts kScanSavedMessage to the
    // window when it ends; ScanSaveEnded then finishes it on the window's thread.
    std::shared_ptr<TScanSave> FScanSave;
    static constexpr UINT kScanSavedMessage = WM_APP + 0x5356;
    void ScanSaveEnded();
    // Lists the current folder again, also one without a file-system path (the drive level).
    void ListCurrentFolderAgain();
    // Sets the list's mask; an empty mask lists the folder again (folders only).
    void ApplyFileFilter(const std::string& Text);
    bool FRememberedDrives = false;  // the folder before the shortcuts folder was the drive level

    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanes();
    // The explorer pane's folder list (MainFormExplorer.cpp).
    void CreateFolderList(TWinControl* parent);
    TAction* NewAction(const std::string& name, const std::string& caption, const std::string& hint, int image,
                       TShortCut shortCut, bool checked, void (TMainForm::*execute)(TObject*));

    bool FChartFileTypes = false;
    TTimer* FShellChangeTimer = nullptr;  // made on first use, owned by the window
    TTimer* FFiguresTimer = nullptr;      // the same
    void ShowFolderFigures();
    // The progress window follows a folder-size calculation that outlasts one redraw interval.
    void ShowWalkProgress();
    // Folder chart.
    void CreateChart();
    void SelectChartType(TChartType Type);
    bool FUpdatingChart = false;
    // Treemap.
    void CreateTreemap();
    void ShowTreemap(bool Show);
    // Cancels the walk the treemap waits for, if any.
    void StopTreemapScan();
    std::shared_ptr<TFolderSizeJob> FTreemapJob;
    std::string FTreemapScanKey;  // the folder (and mask) a walk was asked for
    bool FTreemapScanEnded = false;
    std::string FRememberedFolder;
};
