// The main window's explorer pane: the folder list with the settings of the window's tree and its
// events bound to the window's handlers.
#include "app/MainFormUnit.h"
#include "shell/ShellListView_win.h"

void TMainForm::CreateFolderList(TWinControl* parent) {
    StShellListView1 = new TStShellListView(this, parent);
    StShellListView1->SetName("StShellListView1");
    StShellListView1->SetAlign(alClient);
    StShellListView1->SetCompressedColor(clBlue);
    StShellListView1->SetOpenDialogMode(true);
    StShellListView1->SetOptimization(otDisplay);
    StShellListView1->SetOptions(loAllowRename | loAllowDrag | loAllowDrop | loExtendedMenu | loShellMenu |
                                 loShowHidden);
    StShellListView1->SetViewStyle(vsReport);
    StShellListView1->OnItemDblClick = [this](TObject* s, TStShellItem* item, bool& defaultAction) {
        StShellListView1ItemDblClick(s, item, defaultAction);
    };
    StShellListView1->OnFilterItem = [this](TObject* s, TStShellItem* item, bool& accept) {
        StShellListView1FilterItem(s, item, accept);
    };
    StShellListView1->OnListFilled = [this](TObject* s) { StShellListView1ListFilled(s); };
    StShellListView1->OnSelectItem = [this](TObject* s, int index, bool selected) {
        StShellListView1SelectItem(s, index, selected);
    };
    // Folder sizes are set off by start-up (with actFolderSizes), and the change notification is
    // bound there too, once the list is attached to the notifier.
    // The mask "*.*" with filtering on: the filter handler decides, the folder sizes count every file.
    StShellListView1->SetFileFilter("*.*");
    StShellListView1->SetFiltered(true);
}
