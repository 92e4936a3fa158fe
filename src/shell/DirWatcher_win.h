#pragma once
// A directory watcher: ReadDirectoryChangesW on a folder (and its tree when asked) on a thread of its
// own, turning the records into notifications with the shell's event bits. The owner is told through
// Wake (called on the watcher thread) and takes the collected notifications on its own thread.
//
// The open folder handles would keep the user from ejecting a removable drive, so each is registered
// for the device's removal events with a window of the owner's (RegisterDeviceNotification on the
// handle); the owner hands those WM_DEVICECHANGE messages to DeviceChange, which closes the handles on
// a removal request and opens them again when the removal was refused.
//
// Wine reports changes in the watched folder itself but not inside its sub-folders, whatever the
// subtree flag says; Windows reports the whole tree.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinHandle.h"
#include "shell/ShellNotificationQueue.h"

struct TDevNotifyTraits {
    using Type = HDEVNOTIFY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::UnregisterDeviceNotification(h); }
};
using TDevNotifyHandle = THandle<TDevNotifyTraits>;

class TDirWatcher {
public:
    // Starts at once; Running() tells whether the folder could be opened. deviceWindow (may be null)
    // receives the removal events of the folder's device.
    TDirWatcher(const std::string& root, bool subtree, std::function<void()> wake, HWND deviceWindow = nullptr);
    // Stops the thread, waits for it and closes the handles.
    ~TDirWatcher();
    TDirWatcher(const TDirWatcher&) = delete;
    TDirWatcher& operator=(const TDirWatcher&) = delete;

    // The thread runs on an open folder.
    bool Running() const { return FRunning; }
    const std::string& Root() const { return FRoot; }
    // The notifications collected since the last call, oldest first.
    std::vector<TStNotification> Take();
    // Stops the thread and waits for it; what it had read by then is kept for Take. The folder stays
    // open.
    void Stop();

    // A WM_DEVICECHANGE message: true when it names one of this watcher's folder handles or
    // registrations. A removal request (or a removal) stops the watch and closes the folder; a refused
    // removal opens the folder again and goes on watching, and so does the arrival of a volume after a
    // removal when the folder is there again (true then).
    bool DeviceChange(WPARAM event, LPARAM data);
    // The open folder handle of the content watch (INVALID_HANDLE_VALUE while closed) and its device
    // registration (null when there is none), as a removal event names them.
    HANDLE FolderHandle() const { return FWatches[0].Dir.Get(); }
    HDEVNOTIFY DeviceRegistration() const { return FWatches[0].Device.Get(); }

    // One record as the system reports it.
    struct TRecord {
        DWORD Action;       // FILE_ACTION_...
        std::wstring Name;  // relative to the root
    };
    // Turns a batch of records of the content watch (names, sizes, times) or the attribute watch into
    // notifications; an empty batch means the system's buffer overflowed. A rename's old and new names
    // become one notification.
    static std::vector<TStNotification> Translate(const std::string& root, const std::vector<TRecord>& records,
                                                  bool attributeWatch);

private:
    // One ReadDirectoryChangesW stream. The content watch and the attribute watch read through handles
    // of their own: a record does not say which filter caught it.
    struct TWatch {
        TFileHandle Dir;
        TKernelHandle Event;
        TDevNotifyHandle Device;
        DWORD Filter = 0;
        OVERLAPPED Ov{};
        std::vector<DWORD> Buffer;  // DWORD-aligned, as the records must be
        bool Pending = false;
    };
    // Opens the folder twice, registers the handles for removal events and starts the thread.
    void Open();
    // Stops the thread, closes the folder and, with unregister, drops the removal registrations too.
    void Close(bool unregister);
    // After a removal: volume arrivals are sent to the device window, to open the folder again.
    void WatchVolumeArrivals();
    static unsigned __stdcall ThreadProc(void* self);
    void Run();
    bool Arm(TWatch& w);
    // Hands over what a finished read holds; stopping, a read that has not finished is cancelled.
    // False when the read was cancelled or the watch cannot go on.
    bool Harvest(TWatch& w, bool stopping);
    void Deliver(std::vector<TStNotification> batch);

    std::string FRoot;
    bool FSubtree;
    std::function<void()> FWake;
    HWND FDeviceWindow;
    TKernelHandle FStop;
    TWatch FWatches[2];
    TDevNotifyHandle FVolumeArrivals;
    std::mutex FLock;
    std::vector<TStNotification> FPending;
    TKernelHandle FThread;
    std::atomic<bool> FRunning{false};
};
