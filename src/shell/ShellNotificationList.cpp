#include "shell/ShellNotificationList.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include "platform/FlagScope.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellNotification.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

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

// A menu of this thread is open: its commands may still use the rows' items.
bool MenuOpen() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetCurrentThreadId(), &info) && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE));
}

bool SameItem(const std::optional<TStNotifyItem>& a, const TStNotifyItem* b) {
    return a ? b && a->Path == b->Path : !b;
}

void Include(TStNotifyEventsSet& to, TStNotifyEventsSet from) {
    for (int k = 0; k < kNotifyEventCount; ++k)
        if (from.Contains(static_cast<TStNotifyEvent>(k))) to.Include(static_cast<TStNotifyEvent>(k));
}

}  // namespace

TStListRefresher::TStListRefresher(TStShellListView* list) : TComponent(list), FList(list) {
    SetName("ChangeRefresher");
    FTimer = new TTimer(this);
    FTimer->SetOneShot(true);
    FTimer->OnTimer = [this](TObject*) { Schedule(); };
}

void TStListRefresher::Notify(const TStNotifyItem* item1, const TStNotifyItem* item2, TStNotifyEventsSet events) {
    // A row being renamed: the notification is ignored.
    if (Renaming(FList)) return;
    if (events.Contains(neAttributesChange)) {
        // The notified item's details (for a folder with sizes on, its total is recomputed and stored);
        // the rows keep their texts until the next fill.
        auto oldItem = ModelItem(FList, item1);
        auto newItem = ModelItem(FList, item2);
        if (FList->ViewStyle() == vsReport && oldItem) {
            FList->FillDetails(*oldItem);
            FList->Invalidate();
        }
        if (FList->OnShellChangeNotify) FList->OnShellChangeNotify(FList, oldItem.get(), newItem.get(), events.Bits());
        return;
    }
    // The folder is read again (stale totals are walked again, the rest come from the cache); the
    // same change waiting already is not kept twice.
    for (TChange& c : FChanges)
        if (SameItem(c.Item1, item1) && SameItem(c.Item2, item2)) {
            Include(c.Events, events);
            Schedule();
            return;
        }
    if (FChanges.size() >= kMaxChanges) {
        Include(FChanges.back().Events, events);
    } else {
        TChange c;
        if (item1) c.Item1 = *item1;
        if (item2) c.Item2 = *item2;
        c.Events = events;
        FChanges.push_back(std::move(c));
    }
    Schedule();
}

bool TStListRefresher::MustWait() const {
    return (Application && Application->Busy()) || FList->Filling() || Renaming(FList) || MenuOpen();
}

void TStListRefresher::Schedule() {
    if (FRunning || FChanges.empty()) return;
    const std::uint64_t now = ::GetTickCount64();
    const std::uint64_t due = FLastEnd + kReadGapMs;
    if (now >= due && !MustWait()) {
        Run();
        return;
    }
    FTimer->SetInterval(now >= due ? kWaitStepMs : static_cast<unsigned>(due - now));
    FTimer->SetEnabled(true);
}

void TStListRefresher::Run() {
    FTimer->SetEnabled(false);
    const std::vector<TChange> changes = std::exchange(FChanges, {});
    {
        TFlagScope running(FRunning);
        ++FReadings;
        try {
            FList->ReadFolderAgain();
            FFailing = false;
        } catch (...) {
            // The rows stay as they were; a folder that keeps failing is reported once.
            if (!FFailing) {
                FFailing = true;
                Application->HandleException(FList);
            }
        }
        for (const TChange& c : changes) {
            try {
                Raise(c);
            } catch (...) {
                Application->HandleException(FList);
            }
        }
    }
    FLastEnd = ::GetTickCount64();
    Schedule();  // changes that came meanwhile
}

void TStListRefresher::Raise(const TChange& change) {
    if (!FList->OnShellChangeNotify) return;
    auto oldItem = ModelItem(FList, change.Item1 ? &*change.Item1 : nullptr);
    auto newItem = ModelItem(FList, change.Item2 ? &*change.Item2 : nullptr);
    FList->OnShellChangeNotify(FList, oldItem.get(), newItem.get(), change.Events.Bits());
}

TStShellNotification* AttachChangeNotification(TStShellListView* list) {
    auto* n = new TStShellNotification(list);
    n->SetName("ShellNotification");
    n->SetWatchSubFolders(true);
    n->SetNotifyEvents(TStNotifyEventsSet::All());
    n->SetQueueLimit(2);
    auto* refresher = new TStListRefresher(list);
    n->OnShellChangeNotify = [refresher](TObject*, const TStNotifyItem* a, const TStNotifyItem* b,
                                         TStNotifyEventsSet events) { refresher->Notify(a, b, events); };
    list->OnRearmNotification = [list, n](TObject*) {
        n->SetActive(false);
        TStShellFolder* folder = list->CurrentFolder();
        n->SetWatchIdList(folder ? reinterpret_cast<PCIDLIST_ABSOLUTE>(folder->AbsoluteIdList.get()) : nullptr,
                          folder && folder->IsFileSystem ? folder->Path : std::string());
        n->SetQueueLimit(2);
        n->SetActive(folder != nullptr);
    };
    return n;
}
