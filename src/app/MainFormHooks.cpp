// The current folder of the folder list, as the chart, report and navigation commands read it.
#include "app/MainFormUnit.h"
#include "shell/ShellListView_win.h"

std::string TMainForm::CurrentFolderPath() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->Path : std::string();
}
std::string TMainForm::CurrentFolderName() const {
    TStShellFolder* folder = StShellListView1 ? StShellListView1->CurrentFolder() : nullptr;
    return folder ? folder->DisplayName : std::string();
}

