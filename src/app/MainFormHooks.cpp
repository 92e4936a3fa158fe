// The main window's calls into the volume, browsing, chart, report and shell-extension subsystems.
// Each keeps the name and the place in the order of events that the frame relies on; what a
// subsystem does here arrives with that subsystem. Until then: the command's checked state
// changes as the command table says, and the panes stay empty.
#include "app/MainFormUnit.h"
#include "shell/ShellListView_win.h"

void TMainForm::StShellListView1ShellChangeNotify(TObject*, TStShellItem*, TStShellItem*, unsigned) {}
std::string TMainForm::CurrentFolderPath() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->Path : std::string();
}
std::string TMainForm::CurrentFolderName() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->DisplayName : std::string();
}

void TMainForm::actPrintExecute(TObject*) {}
void TMainForm::actPrintCsvExecute(TObject*) {}
void TMainForm::actPrintAllExecute(TObject*) {}
void TMainForm::actPrintAllCsvExecute(TObject*) {}
void TMainForm::actRegisterExecute(TObject*) {}
void TMainForm::actUnregisterExecute(TObject*) {}
