// The main window's volume table: filling VolumeList and opening the root of the volume picked.
#include "app/MainFormUnit.h"
#include "platform/ErrorMode.h"
#include "shell/FolderSize.h"
#include "volumes/VolumeInventory.h"

void TMainForm::FillVolumeList(TListView* List) {
    THourGlass hourGlass;
    // A drive without media answers its queries with an error instead of the system's "no disk" box.
    TCriticalErrorScope quiet;
    TVolumeQueries& volumes = VolumeQueries ? *VolumeQueries : SystemVolumes();
    List->Clear();
    for (const TVolumeRow& row : ReadVolumeRows(volumes, [](char letter) { return ClusterSize(letter); }))
        List->AddItem(TListItemData{row.Label, row.Cells, row.ImageIndex}, static_cast<LPARAM>(row.Letter));
}

void TMainForm::VolumeListSelectItem(TObject*, int, bool Selected) {
    // The event also comes for the row that lost the selection; only a new selection opens a folder.
    if (!Selected) return;
    const int index = VolumeList->SelectedIndex();
    if (index < 0) return;
    const TListItemData row = VolumeList->Item(index);
    if (row.SubItems.empty() || row.SubItems[0].empty()) return;
    OpenFolder(row.SubItems[0] + "\\");
}
