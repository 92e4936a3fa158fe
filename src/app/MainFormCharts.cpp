// The main window's folder chart: building it from the folder list, the chart types, legend and
// axis texts, clicks on slices, bars and legend entries, and the chart picture.
#include <algorithm>
#include <memory>

#include "app/MainFormUnit.h"
#include "chart/BarSeries.h"
#include "chart/ChartPanel_win.h"
#include "chart/PieSeries.h"
#include "charts/ChartModes.h"
#include "charts/ChartPicture_win.h"
#include "platform/FlagScope.h"
#include "shell/ShellListView_win.h"
#include "ui/Dialogs.h"
#include "ui/Graphics.h"

void TMainForm::CreateChart() {
    TChart& chart = Chart1->Chart();
    Series1 = static_cast<TPieSeries*>(&chart.AddSeries(std::make_unique<TPieSeries>()));
    Series2 = static_cast<TBarSeries*>(&chart.AddSeries(std::make_unique<TBarSeries>()));
    chart.LeftAxis().LabelsMultiLine = true;
    chart.BottomAxis().LabelsAngle = 90;
    chart.Legend().SetVisible(false);
    chart.OnGetLegendText = [this](TChart& sender, int index, std::string& text) {
        Chart1GetLegendText(sender, index, text);
    };
    chart.OnGetAxisLabel = [this](TChart& sender, const TChartAxis& axis, TChartSeries* series, int valueIndex,
                                  std::string& text) { Chart1GetAxisLabel(sender, axis, series, valueIndex, text); };
    chart.OnClickSeries = [this](TChart& sender, TChartSeries& series, int valueIndex, TMouseButton button,
                                 TShiftState shift, int x,
                                 int y) { Chart1ClickSeries(sender, series, valueIndex, button, shift, x, y); };
    chart.OnClickLegend = [this](TChart& sender, TMouseButton button, TShiftState shift, int x, int y) {
        Chart1ClickLegend(sender, button, shift, x, y);
    };
}

TChartMetric TMainForm::ChartMetric() const {
    if (actChartSize->Checked()) return TChartMetric::cmSize;
    if (actChartSlack->Checked()) return TChartMetric::cmSlack;
    if (actChartGrowth && actChartGrowth->Checked()) return TChartMetric::cmGrowth;
    return TChartMetric::cmCount;
}

void TMainForm::UpdateChart(const std::string& Path, const std::string& DisplayName) {
    // A rebuild asked for while one runs (from a message handled meanwhile) would free the points
    // the running one is adding; the running one already reads the current list.
    if (FUpdatingChart) return;
    TFlagScope updating(FUpdatingChart);
    THourGlass hourglass;
    TBusyScope busy;

    // Before the first listing has finished there is no folder to name: the caption stays.
    if (!Path.empty() || !DisplayName.empty()) Panel3->SetCaption(ChartCaption(Path, DisplayName));
    UpdateTreemap();
    TChart& chart = Chart1->Chart();
    TChartSeries* series = chart.LegendSeries();
    if (!series) return;
    TChartMetric metric = ChartMetric();
    SetValueAxisMetric(chart.LeftAxis(), metric);

    // Every point added would ask for a repaint; the chart repaints once, with the footer, on
    // every way out.
    struct TFinish {
        TChart& Chart;
        TChartSeries& Series;
        TChartMetric Metric;
        std::function<void(TChart&)> OnChange;
        ~TFinish() {
            Chart.OnChange = std::move(OnChange);
            try {
                Chart.Foot().SetText({ChartFooterText(Metric, Series.Count())});
                Chart.Changed();
            } catch (...) {
            }
        }
    } finish{chart, *series, metric, std::move(chart.OnChange)};
    chart.OnChange = nullptr;

    BuildChartPoints(*series, ChartRows(), metric, FChartFileTypes);
}

void TMainForm::ResetChartType() {
    ::ResetChartType(Chart1->Chart());
    for (TAction* a : {actPie, actPie3D, actBar, actBar3D, actTreemap}) a->SetChecked(false);
}

void TMainForm::SelectChartType(TChartType Type) {
    ResetChartType();
    TAction* action = Type == TChartType::ctPie     ? actPie
                      : Type == TChartType::ctPie3D ? actPie3D
                      : Type == TChartType::ctBar   ? actBar
                      : Type == TChartType::ctBar3D ? actBar3D
                                                    : actTreemap;
    action->SetChecked(true);
    ApplyChartType(Chart1->Chart(), Type);
    ShowTreemap(Type == TChartType::ctTreemap);
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
}

void TMainForm::actPieExecute(TObject*) {
    SelectChartType(TChartType::ctPie);
}
void TMainForm::actPie3DExecute(TObject*) {
    SelectChartType(TChartType::ctPie3D);
}
void TMainForm::actBarExecute(TObject*) {
    SelectChartType(TChartType::ctBar);
}
void TMainForm::actBar3DExecute(TObject*) {
    SelectChartType(TChartType::ctBar3D);
}

void TMainForm::actChartNextExecute(TObject*) {
    // The cycle follows the chart itself: right after start the flat pie shows with no type checked.
    if (TreemapShown())
        SelectChartType(NextChartType(TChartType::ctTreemap));
    else if (std::optional<TChartType> type = CurrentChartType(Chart1->Chart()))
        SelectChartType(NextChartType(*type));
}

void TMainForm::actChartFilesExecute(TObject* Sender) {
    ToggleChartFiles(Sender);
}

void TMainForm::ToggleChartFiles(TObject*) {
    actChartFiles->SetChecked(!actChartFiles->Checked());
    FChartFileTypes = !actChartFiles->Checked();
    actChartFiles->SetCaption(FChartFileTypes ? "Chart Folders" : "Chart Files");
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
}

void TMainForm::actLegendExecute(TObject*) {
    actLegend->SetChecked(!actLegend->Checked());
    Chart1->Chart().Legend().SetVisible(actLegend->Checked());
}

void TMainForm::actChartSizeExecute(TObject* Sender) {
    for (TAction* a : {actChartSize, actChartSlack, actChartCount, actChartGrowth})
        if (a) a->SetChecked(false);
    if (auto* a = dynamic_cast<TAction*>(Sender)) a->SetChecked(true);
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
}

void TMainForm::Chart1GetLegendText(TChart& Sender, int Index, std::string& LegendText) {
    if (TChartSeries* series = Sender.LegendSeries())
        LegendText = ChartLegendText(*series, Index, LegendText, ChartMetric());
}

void TMainForm::Chart1GetAxisLabel(TChart&, const TChartAxis& Axis, TChartSeries*, int, std::string& LabelText) {
    LabelText = ChartAxisLabel(Axis, LabelText, ChartMetric());
}

void TMainForm::Chart1ClickSeries(TChart&, TChartSeries&, int, TMouseButton Button, TShiftState, int X, int Y) {
    ChartPointClick(X, Y, Button);
}

void TMainForm::Chart1ClickLegend(TChart&, TMouseButton Button, TShiftState, int X, int Y) {
    ChartPointClick(X, Y, Button);
}

void TMainForm::ChartPointClick(int X, int Y, TMouseButton Button) {
    const TStShellItem* folder = SelectChartFolder(ChartPointKeyAt(Chart1->Chart(), X, Y));
    if (Button == TMouseButton::mbLeft) {
        if (folder) OpenChartFolder(std::string(folder->Path));
    } else if (Button == TMouseButton::mbRight) {
        POINT at{X, Y};
        ::ClientToScreen(Chart1->Handle(), &at);
        ::SendMessageW(StShellListView1->Handle(), WM_CONTEXTMENU, 0, MAKELPARAM(at.x, at.y));
    }
}

TRgbPicture TMainForm::ChartSnapshot() {
    std::unique_ptr<TBitmap> bitmap =
        TreemapShown() ? TreemapPanel1->CreateSnapshotBitmap() : Chart1->CreateSnapshotBitmap();
    if (!bitmap) throw Exception("The chart has no area to take a picture of");
    // The picture is the bitmap the chart drew into, so another program that changes the
    // clipboard meanwhile cannot swap it. The clipboard gets a copy for pasting elsewhere; one
    // that another program holds open does not stop the picture.
    try {
        Clipboard::SetBitmap(Handle(), *bitmap);
    } catch (const Exception&) {
    }
    return RgbPictureOf(*bitmap);
}

void TMainForm::actJpgExecute(TObject*) {
    SaveChartToJpeg();
}

void TMainForm::SaveChartToJpeg() {
    TSaveDialog dialog(nullptr);
    dialog.DefaultExt = "jpg";
    dialog.Filter = "Jpeg (*.jpg)|*.jpg|All files (*.*)|*.*";
    dialog.Title = "Save Chart to Jpeg";
    dialog.InitialDir = ExeFolder();
    dialog.OverwritePrompt = true;
    if (!dialog.Execute()) return;
    THourGlass hourglass;
    WriteJpegFile(dialog.FileName, ChartSnapshot());
}
