// The main window's calls into the volume, browsing, chart, report and shell-extension subsystems.
// Each keeps the name and the place in the order of events that the frame relies on; what a
// subsystem does here arrives with that subsystem. Until then: the command's checked state
// changes as the command table says, and the panes stay empty.
#include "app/MainFormUnit.h"
#include "shell/ShellListView_win.h"

// Navigation: the folder list shows the folder (its "Invalid folder" error reaches the caller).
void TMainForm::OpenFolder(const std::string& Path) {
    StShellListView1->SetRootFolder(Path);
}

void TMainForm::OpenDrives() {
    StShellListView1->SetSpecialRootFolder(sfDrives);
}

// Every child is listed; folder sizes follow actFolderSizes.
void TMainForm::StShellListView1FilterItem(TObject*, TStShellItem*, bool& Accept) {
    StShellListView1->SetCalcFolderSize(actFolderSizes->Checked());
    Accept = true;
}
void TMainForm::StShellListView1ItemDblClick(TObject*, TStShellItem*, bool&) {}
void TMainForm::StShellListView1SelectItem(TObject*, int, bool) {}

void TMainForm::ShowStatusSummary() {}
std::string TMainForm::CurrentFolderPath() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->Path : std::string();
}
std::string TMainForm::CurrentFolderName() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->DisplayName : std::string();
}

void TMainForm::actFolderSizesExecute(TObject*) {
    actFolderSizes->SetChecked(!actFolderSizes->Checked());
    OpenFolder(CurrentFolderPath());
}

void TMainForm::actShortcutsExecute(TObject*) {}
