#pragma once
// TStShellNotification: a non-visual component that watches a folder (or its tree) and raises typed
// events when something changes there, on the user-interface thread.
//
// Two sources feed one queue: the shell's change notification, registered for the watched identifier
// list and posting message 1025 to the component's hidden window, and a directory watcher on the
// watched folder's file-system path (Wine's shell registers but delivers nothing for real file
// changes). Queued notifications are drained one at a time by the posted message 1026; an attribute
// change is handled on arrival. The summary event OnShellChangeNotify follows the per-kind events,
// after the cached folder totals of the changed item's folder and its ancestors were marked stale.
// The hidden window also receives the removal events of the watched folder's drive: the watcher lets
// go of the folder when the user ejects the drive.
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "shell/FolderRows.h"
#include "shell/ShellNotificationQueue.h"
#include "ui/Component.h"

class TDirWatcher;
class TFolderSizeService;

// The items are null where the notification carries none; they live for the length of the call.
using TStShellNotifyEvent =
    std::function<void(TObject* Sender, const TStNotifyItem* Item1, const TStNotifyItem* Item2)>;
using TStShellChangeNotifyEvent = std::function<void(TObject* Sender, const TStNotifyItem* Item1,
                                                     const TStNotifyItem* Item2, TStNotifyEventsSet Events)>;

constexpr UINT kShellNotifyMessage = WM_USER + 1;  // 1025: from the shell
constexpr UINT kShellDrainMessage = WM_USER + 2;   // 1026: drain the queue
constexpr UINT kDirWatcherMessage = WM_USER + 3;   // 1027: the directory watcher has notifications

class TStCustomShellNotification : public TComponent {
public:
    explicit TStCustomShellNotification(TComponent* owner);
    ~TStCustomShellNotification() override;

    bool Active() const { return FActive; }
    void SetActive(bool active);
    TStNotifyEventsSet NotifyEvents() const { return FNotifyEvents; }
    void SetNotifyEvents(TStNotifyEventsSet events);
    TStSpecialRootFolder SpecialWatchFolder() const { return FSpecial; }
    void SetSpecialWatchFolder(TStSpecialRootFolder folder);
    // A path to watch; "C:" becomes "C:\". Throws ESsInvalidFolder ("Invalid folder") when the shell
    // cannot parse it.
    const std::string& WatchFolder() const { return FWatchFolder; }
    void SetWatchFolder(const std::string& path);
    bool WatchSubFolders() const { return FWatchSubFolders; }
    void SetWatchSubFolders(bool on);
    // The watched identifier list (not owned; it must outlive the registration), used when neither a
    // path nor a special folder is set.
    PCIDLIST_ABSOLUTE WatchIdList() const { return FWatchIdList; }
    // path: the file-system folder the list names, when the caller knows it (the directory watcher
    // then takes it instead of asking the shell for the list's path, which costs seconds for a folder
    // some hundreds of levels deep, and which Wine cuts at MAX_PATH).
    void SetWatchIdList(PCIDLIST_ABSOLUTE idList, const std::string& path = {});
    // 0 = no limit.
    std::size_t QueueLimit() const { return FQueue.Limit(); }
    void SetQueueLimit(std::size_t limit) { FQueue.SetLimit(limit); }

    // Registered with the shell (a registration that failed leaves this false, silently).
    bool Registered() const { return FRegistration != 0; }
    // The file-system path the directory watcher watches; empty when none runs (none was started, or
    // its drive is being removed).
    std::string WatchedPath() const;
    // The directory watcher (null when none was started).
    const TDirWatcher* Watcher() const { return FWatcher.get(); }
    // Called when the directory watcher is about to stop (tests make a change there).
    std::function<void()> BeforeWatcherStops;
    HWND Handle() const { return FWindow; }
    const TStNotificationQueue& Queue() const { return FQueue; }

    // Takes a notification as the sources do on arrival (message 1025): the limit, the attribute
    // change handled at once, queueing and posting the drain message.
    void Receive(TStNotification n);
    // Drains the queue now (what message 1026 does).
    void ProcessQueue();
    // The folder-size service whose cache notifications invalidate; the process-wide one by default.
    void SetFolderSizeService(TFolderSizeService* service) { FService = service; }

    TStShellNotifyEvent OnAssociationChange, OnAttributeChanged, OnDriveAdd, OnDriveRemove, OnDriveSpaceChanged,
        OnFileChanged, OnFileCreate, OnFileDelete, OnFileRenamed, OnFolderChanged, OnFolderCreated, OnFolderDelete,
        OnFolderRename, OnImageListChanged, OnMediaInsert, OnMediaRemoved, OnNetShared, OnNetUnShared,
        OnServerDisconnect, OnShellDriveAdd;
    TStShellChangeNotifyEvent OnShellChangeNotify;

private:
    static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void FromShell(WPARAM wp, LPARAM lp);
    void FromWatcher();
    void ReceiveFromWatcher(std::vector<TStNotification> batch);
    // WM_DEVICECHANGE: a removal request for the watched folder's drive closes the watcher's folder
    // handles (and a refused removal opens them again). True when the message was the watcher's.
    bool DeviceChange(WPARAM event, LPARAM data);
    void RegisterNotify();
    void Deregister();
    void Reregister();
    TStShellNotifyEvent& EventOf(TStNotifyEvent kind);
    void Summary(const TStNotification& n, TStNotifyEventsSet kinds);
    TFolderSizeService& Service();

    bool FActive = false;
    TStNotifyEventsSet FNotifyEvents = TStNotifyEventsSet::All();
    TStSpecialRootFolder FSpecial = sfNone;
    std::string FWatchFolder;
    bool FWatchSubFolders = false;
    PCIDLIST_ABSOLUTE FWatchIdList = nullptr;
    std::string FWatchIdListPath;
    ULONG FRegistration = 0;
    HWND FWindow = nullptr;
    TStNotificationQueue FQueue;
    std::unique_ptr<TDirWatcher> FWatcher;
    TFolderSizeService* FService = nullptr;
    bool FDraining = false;
    bool FDestroying = false;
};

class TStShellNotification : public TStCustomShellNotification {
public:
    using TStCustomShellNotification::TStCustomShellNotification;
};

// A notification item for an identifier list: its file-system path (empty for a virtual object),
// display name and whether it is a folder; the list is cloned into the item.
TStNotifyItem NotifyItemFromIdList(PCIDLIST_ABSOLUTE idList, bool isFolderHint);
