// The main window's calls into the volume, browsing, chart, report and shell-extension subsystems.
// Each keeps the name and the place in the order of events that the frame relies on; what a
// subsystem does here arrives with that subsystem. Until then: the command's checked state
// changes as the command table says, and the panes stay empty.
#include "app/MainFormUnit.h"
#include "shell/ShellListView_win.h"

void TMainForm::ResetChartType() {
    for (TAction* a : {actPie, actPie3D, actBar, actBar3D}) a->SetChecked(false);
}

void TMainForm::StShellListView1ShellChangeNotify(TObject*, TStShellItem*, TStShellItem*, unsigned) {}
void TMainForm::UpdateChart(const std::string&, const std::string&) {}
std::string TMainForm::CurrentFolderPath() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->Path : std::string();
}
std::string TMainForm::CurrentFolderName() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->DisplayName : std::string();
}

namespace {
void SelectChartType(TMainForm* form, TAction* action) {
    form->ResetChartType();
    action->SetChecked(true);
    form->UpdateChart(form->CurrentFolderPath(), form->CurrentFolderName());
}
}  // namespace

void TMainForm::actPieExecute(TObject*) {
    SelectChartType(this, actPie);
}
void TMainForm::actPie3DExecute(TObject*) {
    SelectChartType(this, actPie3D);
}
void TMainForm::actBarExecute(TObject*) {
    SelectChartType(this, actBar);
}
void TMainForm::actBar3DExecute(TObject*) {
    SelectChartType(this, actBar3D);
}

void TMainForm::actChartNextExecute(TObject*) {
    // The cycle 2D pie, 3D pie, 2D bar, 3D bar follows the chart's active series.
    TAction* next = actPie3D->Checked()   ? actBar
                    : actBar->Checked()   ? actBar3D
                    : actBar3D->Checked() ? actPie
                                          : actPie3D;
    (this->*(next == actPie     ? &TMainForm::actPieExecute
             : next == actPie3D ? &TMainForm::actPie3DExecute
             : next == actBar   ? &TMainForm::actBarExecute
                                : &TMainForm::actBar3DExecute))(next);
}

void TMainForm::actChartFilesExecute(TObject*) {
    actChartFiles->SetChecked(!actChartFiles->Checked());
    FChartFileTypes = !actChartFiles->Checked();
    actChartFiles->SetCaption(FChartFileTypes ? "Chart Folders" : "Chart Files");
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
}

void TMainForm::actLegendExecute(TObject*) {
    actLegend->SetChecked(!actLegend->Checked());
}

void TMainForm::actChartSizeExecute(TObject* Sender) {
    for (TAction* a : {actChartSize, actChartSlack, actChartCount}) a->SetChecked(false);
    if (auto* a = dynamic_cast<TAction*>(Sender)) a->SetChecked(true);
    UpdateChart(CurrentFolderPath(), CurrentFolderName());
}

void TMainForm::actPrintExecute(TObject*) {}
void TMainForm::actPrintCsvExecute(TObject*) {}
void TMainForm::actPrintAllExecute(TObject*) {}
void TMainForm::actPrintAllCsvExecute(TObject*) {}
void TMainForm::actJpgExecute(TObject*) {}
void TMainForm::actRegisterExecute(TObject*) {}
void TMainForm::actUnregisterExecute(TObject*) {}
