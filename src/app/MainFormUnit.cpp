#include "app/MainFormUnit.h"

#include <shellapi.h>

#include <memory>

#include "app/ActionImages.h"
#include "app/Settings.h"
#include "app/windows/AboutFormUnit.h"
#include "app/windows/ProgressFormUnit.h"
#include "app/windows/SplashFormUnit.h"
#include "platform/ReadyFile.h"
#include "platform/WinText.h"
#include "shell/FolderSize.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "volumes/VolumeInventory.h"

TSplashForm* SplashForm = nullptr;
TProgressForm* ProgressForm = nullptr;

SIZE MainWindowSize(int monitorWidth, int monitorHeight) {
    return SIZE{monitorWidth - (monitorWidth / 100) * 20, monitorHeight - (monitorHeight / 100) * 20};
}

RECT FirstMonitorRect() {
    RECT first{};
    bool found = false;
    struct TState {
        RECT* Rect;
        bool* Found;
    } state{&first, &found};
    ::EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT rect, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<TState*>(lp);
            *s->Rect = *rect;
            *s->Found = true;
            return FALSE;  // the first one is enough
        },
        reinterpret_cast<LPARAM>(&state));
    if (!found) first = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return first;
}

std::vector<std::string> CommandLineParams() {
    std::vector<std::string> params;
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return params;
    for (int i = 1; i < argc; ++i) params.push_back(Narrow(argv[i]));
    ::LocalFree(argv);
    return params;
}

namespace {

// The up button's glyph: an arrow pointing up over a folder's corner.
void PaintUpGlyph(int, int size, std::uint32_t* px) {
    auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < size && y < size) px[y * size + x] = 0xFF000080;
    };
    int mid = size / 2, head = size / 3;
    for (int y = size / 6; y < size - size / 6; ++y)
        for (int w = -std::max(1, size / 16); w <= std::max(1, size / 16) - 1 + (size % 2); ++w) put(mid + w, y);
    for (int i = 0; i <= head; ++i)
        for (int t = 0; t < std::max(1, size / 10); ++t) {
            put(mid - i, size / 6 + i + t);
            put(mid + i - (size % 2 ? 0 : 1), size / 6 + i + t);
        }
}
}  // namespace

TMainForm::TMainForm(TComponent* owner) : TForm(owner, bsSizeable) {
    SetName("MainForm");
    SetCaption("Voluscope");
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    // Design size 671 x 507; start-up replaces it from the monitor.
    SetBounds(0, 0, 671, 507);
    Params = CommandLineParams();
    ShellOpen = [](const std::string& path) {
        ::ShellExecuteW(nullptr, L"open", Widen(path).c_str(), L"", L"", SW_SHOWNORMAL);
    };

    ActionImages = new TImageList(this, kActionImageCount,
                                  [](int i, int size, std::uint32_t* px) { PaintActionImage(i, size, px); });
    ActionImages->SetName("ActionImages");
    CreateActions();
    CreateMenus();
    CreateCompare();
    CreateHistory();
    CreateToolBar();
    CreatePanes();

    SetActiveControl(VolumeList);
    FilterCombo->OnClick = [this](TObject* s) { FilterComboClick(s); };
    FilterCombo->OnKeyPress = [this](TObject* s, wchar_t& k) { FilterComboKeyPress(s, k); };
    SpeedButton2->OnClick = [this](TObject* s) { UpButtonClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnKeyPress = [this](TObject* s, wchar_t& k) { FormKeyPress(s, k); };
    OnResize = [this](TObject* s) { FormResize(s); };
}

TMainForm::~TMainForm() {
    OnResize = nullptr;
    StopTreemapScan();
    if (FScanOpenThread.joinable()) FScanOpenThread.join();
    DestroyComponents();
}

void TMainForm::CreatePanes() {
    int cw = ClientWidth();

    VolumePanel = new TPanel(this, this);
    VolumePanel->SetName("VolumePanel");
    VolumePanel->SetBevelInner(bvRaised);
    VolumePanel->SetBevelOuter(bvLowered);
    VolumePanel->SetBounds(0, 25, cw, 136);
    VolumePanel->SetAlign(alTop);

    Label1 = new TLabel(this, VolumePanel);
    Label1->SetName("Label1");
    Label1->SetBounds(8, 6, 100, 13);
    Label1->SetCaption("&Select a volume");

    int pw = VolumePanel->Width();
    CloseVolumeButton = new TSpeedButton(this, VolumePanel);
    CloseVolumeButton->SetName("CloseVolumeButton");
    CloseVolumeButton->SetBounds(pw - 22, 2, 20, 20);
    CloseVolumeButton->SetAnchors(akTop | akRight);
    CloseVolumeButton->SetFlat(true);
    CloseVolumeButton->SetCursor(crHandPoint);
    CloseVolumeButton->SetAction(actVolumes);

    TListViewOptions volumeOptions;
    volumeOptions.ReadOnly = true;
    volumeOptions.RowSelect = true;
    volumeOptions.HideSelection = false;
    VolumeList = new TListView(this, VolumePanel, volumeOptions);
    VolumeList->SetName("VolumeList");
    VolumeList->SetBounds(8, 24, pw - 16, 136 - 24 - 8);
    VolumeList->SetAnchors(akLeft | akTop | akRight | akBottom);
    VolumeList->SetSmallImages(ActionImages);
    VolumeList->SetHint("Select a volume");
    for (const TVolumeColumn& c : kVolumeColumns)
        VolumeList->AddColumn(c.Caption, c.Width, c.RightAligned ? taRightJustify : taLeftJustify);
    Label1->SetFocusControl(VolumeList);
    VolumeList->OnSelectItem = [this](TObject* s, int item, bool selected) { VolumeListSelectItem(s, item, selected); };

    Splitter2 = new TSplitter(this, this, alTop);
    Splitter2->SetName("Splitter2");
    Splitter2->SetHeight(3);
    Splitter2->SetBeveled(true);

    BottomPanel = new TPanel(this, this);
    BottomPanel->SetName("BottomPanel");
    BottomPanel->SetBevelOuter(bvNone);
    BottomPanel->SetAlign(alClient);

    Panel1 = new TPanel(this, BottomPanel);
    Panel1->SetName("Panel1");
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetBounds(0, 0, BottomPanel->Width(), 24);
    Panel1->SetAlign(alTop);
    int p1w = Panel1->Width();

    StShellComboBox1 = new TStShellComboBox(this, Panel1);
    StShellComboBox1->SetName("StShellComboBox1");
    StShellComboBox1->SetBounds(0, 1, std::min(636, p1w - 24), 21);
    StShellComboBox1->SetAnchors(akLeft | akTop | akRight);
    StShellComboBox1->SetDropDownCount(12);

    auto* upImages = new TImageList(this, 1, PaintUpGlyph);
    SpeedButton2 = new TSpeedButton(this, Panel1);
    SpeedButton2->SetName("SpeedButton2");
    SpeedButton2->SetBounds(p1w - 22, 2, 20, 20);
    SpeedButton2->SetAnchors(akTop | akRight);
    SpeedButton2->SetFlat(true);
    SpeedButton2->SetCursor(crHandPoint);
    SpeedButton2->SetImages(upImages);
    SpeedButton2->SetImageIndex(0);
    SpeedButton2->SetHint("Up one level");

    Panel8 = new TPanel(this, BottomPanel);
    Panel8->SetName("Panel8");
    Panel8->SetBevelOuter(bvNone);
    Panel8->SetBounds(0, 24, cw / 2, 200);
    Panel8->SetMinSize(3, 0);
    Panel8->SetAlign(alLeft);

    Panel3 = new TPanel(this, Panel8);
    Panel3->SetName("Panel3");
    Panel3->SetBounds(0, 0, Panel8->Width(), 23);
    Panel3->SetAlign(alTop);
    Panel3->SetBevelOuter(bvNone);
    Panel3->SetAlignment(taLeftJustify);
    Panel3->SetColor(16777185);
    TFont captionFont = Panel3->Font();
    captionFont.Style = fsBold;
    captionFont.Color = clNavy;
    Panel3->SetFont(captionFont);
    Panel3->SetCaption(" Folder:");

    CloseChartButton = new TSpeedButton(this, Panel3);
    CloseChartButton->SetName("CloseChartButton");
    CloseChartButton->SetBounds(Panel3->Width() - 22, 1, 20, 20);
    CloseChartButton->SetAnchors(akTop | akRight);
    CloseChartButton->SetFlat(true);
    CloseChartButton->SetCursor(crHandPoint);
    CloseChartButton->SetAction(actCharts);

    Chart1 = new TChartPanel(this, Panel8);
    Chart1->SetName("Chart1");
    Chart1->SetAlign(alClient);
    CreateChart();
    CreateTreemap();

    Splitter1 = new TSplitter(this, BottomPanel, alLeft);
    Splitter1->SetName("Splitter1");
    Splitter1->SetWidth(3);
    Splitter1->SetBeveled(true);
    Splitter1->SetMinSize(3);

    Panel7 = new TPanel(this, BottomPanel);
    Panel7->SetName("Panel7");
    Panel7->SetBevelOuter(bvNone);
    Panel7->SetAlign(alClient);

    CreateFolderList(Panel7);

    StatusBar1 = new TStatusBar(this, this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetHeight(19);
    StatusBar1->SetAlign(alBottom);
    StatusBar1->AddPanel(420);
    StatusBar1->AddPanel(80);
    StatusBar1->AddPanel(50);
}

void TMainForm::FormCreate(TObject*) {
    // 1. Size from the first monitor's full rectangle; the position mode centres it when shown.
    RECT monitor = FirstMonitorRect();
    SIZE size = MainWindowSize(monitor.right - monitor.left, monitor.bottom - monitor.top);
    SetBounds(Left(), Top(), size.cx, size.cy);
    // 2. The chart pane takes half the width.
    Panel8->SetWidth(Width() / 2);
    // 3. Folder sizes start off: actFolderSizes is unchecked and the listing follows it.
    actFolderSizes->SetChecked(false);
    StShellListView1->SetCalcFolderSize(false);
    // 4.
    ListOnBeforeFill = [this](TObject* s) { ListViewBeforeFill(s); };
    StShellListView1->OnBeforeFill = [this](TObject* s) {
        if (ListOnBeforeFill) ListOnBeforeFill(s);
    };
    SetUpLiveRefresh();
    // 5.
    FilterCombo->SetItemIndex(0);
    // 6. The folder combo follows the list's current folder (linked by the browsing code).
    // 7.
    FChartFileTypes = false;
    // 8.
    LoadSettings();
    // 9.
    FillVolumeList(VolumeList);
    // 10. A flat pie to start with.
    ResetChartType();
    Series1->SetActive(true);
}

void TMainForm::FormClose(TObject*, TCloseAction&) {
    // A settings file that cannot be written is reported, and the program still ends: keeping
    // the window open would leave no way to quit.
    try {
        SaveSettings();
    } catch (...) {
        Application->HandleException(this);
    }
}

LRESULT TMainForm::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
    switch (Msg) {
        case kScanReadMessage:
            ScanReadArrived();
            return 0;
        case kCompareReadMessage:
            CompareReadArrived();
            return 0;
        case kScanSavedMessage:
            ScanSaveEnded();
            return 0;
        case kHistoryWarningMessage:
            HistoryWarningArrived();
            return 0;
        default:
            return TForm::WndProc(Msg, WParam, LParam);
    }
}

void TMainForm::FormKeyPress(TObject*, wchar_t& Key) {
    if (Key == 27) {
        Key = 0;
        // Esc stops a folder-size calculation first; with none running it closes the window.
        if (StShellListView1 && StShellListView1->CancelFigures()) return;
        Close();
    }
}

void TMainForm::FormResize(TObject*) {
    if (StatusBar1 && StatusBar1->PanelCount() > 0) StatusBar1->SetPanelWidth(0, Width() - Scale(240));
}

void TMainForm::LoadSettings() {
    FolderSizeService().SetTreeBudget(LoadTreeBudget(SettingsFilePath(ExeFileName())));
    std::vector<std::string> filters = LoadFilterSettings(SettingsFilePath(ExeFileName()));
    if (filters.empty()) return;
    FilterCombo->Clear();  // the text in the edit field stays
    for (const std::string& f : filters) FilterCombo->Add(f);
}

void TMainForm::SaveSettings() {
    SaveFilterSettings(SettingsFilePath(ExeFileName()), FilterCombo->AllItems());
}

void TMainForm::ListViewBeforeFill(TObject*) {
    // The splash shows the progress of the first listing; later ones use the progress window.
    if (!SplashForm && ProgressForm) {
        ProgressForm->EndWalk();  // the listing takes the window over from a calculation
        ProgressForm->Show();
    }
}

void TMainForm::StShellListView1ListFilled(TObject*) {
    ShowScanState();
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
    ShowFolderSummary();
    if (SplashForm) {
        TSplashForm* splash = SplashForm;
        SplashForm = nullptr;
        delete splash;
        SignalReady();  // the first listing is complete: scripts may look at the window now
    } else if (ProgressForm) {
        ProgressForm->Hide();
    }
}

void TMainForm::actReadmeExecute(TObject*) {
    // The shell reports a missing file, if at all; the result is ignored.
    if (ShellOpen) ShellOpen(ExeFolder() + "readme.txt");
}

void TMainForm::actAboutExecute(TObject*) {
    std::unique_ptr<TAboutBox> box(new TAboutBox(this));
    box->AfterConstruction();
    box->ShowModal();
}

void TMainForm::actExitExecute(TObject*) {
    Close();
}
