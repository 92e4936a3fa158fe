// Live refresh in the main window: the folder list's change notification and the folder combo box
// linked to the list; after the list has read its folder again for a change on disk, the volume list,
// the chart and the status summary follow.
#include <memory>

#include "app/MainFormUnit.h"
#include "shell/ShellComboBox.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellNotificationList.h"

void TMainForm::SetUpLiveRefresh() {
    AttachChangeNotification(StShellListView1);

    // The combo box opens what is picked in the list and shows the list's folder after every listing.
    TStShellListView* list = StShellListView1;
    StShellComboBox1->ListOpenDialogMode = [list] { return list->OpenDialogMode(); };
    StShellComboBox1->ListCurrentFolder = [list]() -> std::unique_ptr<TStComboFolder> {
        TStShellFolder* folder = list->CurrentFolder();
        if (!folder || !folder->AbsoluteIdList) return nullptr;
        // The list knows the folder's path: the box need not read every level of a deep one again.
        return TStComboFolder::FromFolder(reinterpret_cast<PCIDLIST_ABSOLUTE>(folder->AbsoluteIdList.get()),
                                          folder->IsFileSystem ? folder->Path : std::string());
    };
    StShellComboBox1->ListOpenFolder = [list](const TStComboFolder& folder) {
        if (!folder.IdList || !list->Controller()) return;
        auto item = list->Controller()->CreateItem(reinterpret_cast<LPCITEMIDLIST>(folder.IdList.get()));
        if (item) list->Fill(item.get());
    };
    // The combo box and the other views follow the list's model (FolderModelChanged); the list listens
    // first, so its rows are right when they read them.
    StShellListView1->Model().Subscribe([this](const TFolderModelChange& c) { FolderModelChanged(c); });
    // The entries were read before the list was linked: read them again in its open-dialog mode.
    StShellComboBox1->FillEntries();
    BindShellChangeNotify();
}

void TMainForm::BindShellChangeNotify() {
    StShellListView1->OnShellChangeNotify = [this](TObject* s, TStShellItem* o, TStShellItem* n, unsigned e) {
        StShellListView1ShellChangeNotify(s, o, n, e);
    };
}

void TMainForm::StShellListView1ShellChangeNotify(TObject*, TStShellItem* OldShellItem, TStShellItem* NewShellItem,
                                                  unsigned Events) {
    TStNotifyEventsSet events;
    for (int k = 0; k < kNotifyEventCount; ++k)
        if (Events & (1u << k)) events.Include(static_cast<TStNotifyEvent>(k));
    const TStRefreshNeeds needs =
        MainWindowRefreshNeeds(events, OldShellItem ? &OldShellItem->Path : nullptr,
                               NewShellItem ? &NewShellItem->Path : nullptr, CurrentFolderPath());
    // Used and free space follow the change.
    if (needs.Volumes) FillVolumeList(VolumeList);
    // The list has already been read again, so the chart and the status bar see the new figures.
    if (needs.Chart) {
        UpdateChart(CurrentFolderPath(), CurrentFolderName());
        ShowFolderSummary();
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
