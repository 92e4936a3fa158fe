#pragma once
// The folder list's change notification: a TStShellNotification owned by the list, watching its
// current folder's tree, re-armed after every fill, whose notifications read the folder again (or,
// for an attribute change, refresh the notified item's details) and reach the list's own
// OnShellChangeNotify with items made from the notification.
class TStShellListView;
class TStShellNotification;
struct TStNotifyItem;
class TStNotifyEventsSet;

// Creates the list's notification (watching sub-folders, every kind, queue limit 2) and binds it to
// the list's re-arm seam. The list owns it.
TStShellNotification* AttachChangeNotification(TStShellListView* list);

// What the list does with one summary from its notification.
void ListShellChangeNotify(TStShellListView* list, const TStNotifyItem* item1, const TStNotifyItem* item2,
                           TStNotifyEventsSet events);
