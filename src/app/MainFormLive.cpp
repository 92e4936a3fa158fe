// Live refresh in the main window: after the folder list has read its folder again for a change on
// disk, the volume list, the chart and the status summary follow.
#include "app/MainFormUnit.h"

void TMainForm::BindShellChangeNotify() {
    ListOnShellChangeNotify = [this](TObject* s, const TStNotifyItem* o, const TStNotifyItem* n, TStNotifyEventsSet e) {
        StShellListView1ShellChangeNotify(s, o, n, e);
    };
}

void TMainForm::StShellListView1ShellChangeNotify(TObject*, const TStNotifyItem* OldShellItem,
                                                  const TStNotifyItem* NewShellItem, TStNotifyEventsSet Events) {
    const TStRefreshNeeds needs = MainWindowRefreshNeeds(Events, OldShellItem, NewShellItem, CurrentFolderPath());
    // Used and free space follow the change.
    if (needs.Volumes) FillVolumeList(VolumeList);
    // The list has already been read again, so the chart and the status bar see the new figures.
    if (needs.Chart) {
        UpdateChart(CurrentFolderPath(), CurrentFolderName());
        ShowStatusSummary();
    }
    // A one-shot timer that binds this handler again when it fires; started again after every change.
    if (!FShellChangeTimer) {
        FShellChangeTimer = new TTimer(this);
        FShellChangeTimer->SetName("ShellChangeTimer");
        FShellChangeTimer->SetOneShot(true);
        FShellChangeTimer->SetInterval(10000);
        FShellChangeTimer->OnTimer = [this](TObject*) { BindShellChangeNotify(); };
    }
    FShellChangeTimer->SetEnabled(false);
    FShellChangeTimer->SetEnabled(true);
}
