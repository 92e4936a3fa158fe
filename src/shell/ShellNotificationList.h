#pragma once
// The folder list's change notification: a TStShellNotification owned by the list, watching its
// current folder's tree, re-armed after every fill, whose notifications read the folder again (or,
// for an attribute change, refresh the notified item's details) and reach the list's own
// OnShellChangeNotify with items made from the notification.
//
// The changes are folded before the folder is read again. While they keep coming, the folder is read
// at most once every 500 ms, counted from the end of the last reading so that commands, the idle
// update and paints run in between, and once more when they stop. No reading starts during a fill, a
// report or another long operation, while a row is being renamed or while a menu is open: it waits
// until that has ended. The list's OnShellChangeNotify is raised after the reading, once per distinct
// change waiting, so whatever shows the folder (the chart, the status bar, the volume table) follows
// the rows just read.
#include <cstdint>
#include <optional>
#include <vector>

#include "shell/ShellNotificationQueue.h"
#include "ui/Component.h"

class TStShellListView;
class TStShellNotification;
class TTimer;

class TStListRefresher : public TComponent {
public:
    // The least time from the end of one reading to the start of the next.
    static constexpr unsigned kReadGapMs = 500;
    // How often a reading that has to wait looks again.
    static constexpr unsigned kWaitStepMs = 100;
    // Distinct changes kept for the list's event; more are folded into the last one.
    static constexpr std::size_t kMaxChanges = 4;

    explicit TStListRefresher(TStShellListView* list);

    // What the list does with one summary of its notification.
    void Notify(const TStNotifyItem* item1, const TStNotifyItem* item2, TStNotifyEventsSet events);
    // Changes are waiting to be read.
    bool Pending() const { return !FChanges.empty(); }
    // The readings of the folder so far.
    int Readings() const { return FReadings; }

private:
    struct TChange {
        std::optional<TStNotifyItem> Item1, Item2;
        TStNotifyEventsSet Events;
    };
    void Schedule();
    void Run();
    bool MustWait() const;
    void Raise(const TChange& change);

    TStShellListView* FList;
    TTimer* FTimer;
    std::vector<TChange> FChanges;
    std::uint64_t FLastEnd = 0;
    int FReadings = 0;
    bool FRunning = false;
    bool FFailing = false;
};

// Creates the list's notification (watching sub-folders, every kind, queue limit 2) and its refresher
// (named "ChangeRefresher"), and binds them to the list's re-arm seam. The list owns both.
TStShellNotification* AttachChangeNotification(TStShellListView* list);
