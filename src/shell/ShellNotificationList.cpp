#include "shell/ShellNotificationList.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "shell/ShellListView_win.h"
#include "shell/ShellNotification.h"

namespace {

// An item of the list's model for a notification item (null when there is none or it cannot be made).
std::unique_ptr<TStShellItem> ModelItem(TStShellListView* list, const TStNotifyItem* item) {
    if (!item || !list->Controller()) return nullptr;
    TPidl own;
    LPCITEMIDLIST pidl = reinterpret_cast<LPCITEMIDLIST>(item->IdList.get());
    if (!pidl && !item->Path.empty()) {
        own = list->Controller()->ParseDisplayName(item->Path);
        pidl = reinterpret_cast<LPCITEMIDLIST>(own.get());
    }
    std::unique_ptr<TStShellItem> made;
    if (pidl) made = list->Controller()->CreateItem(pidl);
    if (!made) {
        // Gone from disk (a deleted file): the item keeps what the notification knew.
        made = std::make_unique<TStShellItem>(list->Controller());
        made->Path = item->Path;
        made->DisplayName = item->DisplayName;
        made->IsFileSystem = !item->Path.empty();
    }
    return made;
}

bool Renaming(TStShellListView* list) {
    HWND editor = ListView_GetEditControl(list->Handle());
    return editor && ::IsWindowVisible(editor);
}

}  // namespace

void ListShellChangeNotify(TStShellListView* list, const TStNotifyItem* item1, const TStNotifyItem* item2,
                           TStNotifyEventsSet events) {
    // 1. A row being renamed: the notification is ignored.
    if (Renaming(list)) return;
    auto oldItem = ModelItem(list, item1);
    auto newItem = ModelItem(list, item2);
    if (!events.Contains(neAttributesChange)) {
        // 2. The folder is read again; stale totals are walked again, the rest come from the cache.
        list->Refresh(true);
    } else if (list->ViewStyle() == vsReport && oldItem) {
        // 3. The notified item's details (for a folder with sizes on, its total is recomputed and
        // stored); the rows keep their texts until the next fill.
        list->FillDetails(*oldItem);
        list->Invalidate();
    }
    // 4.
    if (list->OnShellChangeNotify) list->OnShellChangeNotify(list, oldItem.get(), newItem.get(), events.Bits());
}

TStShellNotification* AttachChangeNotification(TStShellListView* list) {
    auto* n = new TStShellNotification(list);
    n->SetName("ShellNotification");
    n->SetWatchSubFolders(true);
    n->SetNotifyEvents(TStNotifyEventsSet::All());
    n->SetQueueLimit(2);
    n->OnShellChangeNotify = [list](TObject*, const TStNotifyItem* a, const TStNotifyItem* b,
                                    TStNotifyEventsSet events) { ListShellChangeNotify(list, a, b, events); };
    list->OnRearmNotification = [list, n](TObject*) {
        n->SetActive(false);
        TStShellFolder* folder = list->CurrentFolder();
        n->SetWatchIdList(folder ? reinterpret_cast<PCIDLIST_ABSOLUTE>(folder->AbsoluteIdList.get()) : nullptr);
        n->SetQueueLimit(2);
        n->SetActive(folder != nullptr);
    };
    return n;
}
