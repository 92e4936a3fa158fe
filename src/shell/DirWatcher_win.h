#pragma once
// A directory watcher: ReadDirectoryChangesW on a folder (and its tree when asked) on a thread of its
// own, turning the records into notifications with the shell's event bits. The owner is told through
// Wake (called on the watcher thread) and takes the collected notifications on its own thread.
//
// Wine reports changes in the watched folder itself but not inside its sub-folders, whatever the
// subtree flag says; Windows reports the whole tree.
#include <windows.h>

#include <atomic>
#include <utility>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/ShellNotificationQueue.h"

class TDirWatcher {
public:
    // Starts at once; Running() tells whether the folder could be opened.
    TDirWatcher(const std::string& root, bool subtree, std::function<void()> wake);
    // Stops the thread and waits for it.
    ~TDirWatcher();
    TDirWatcher(const TDirWatcher&) = delete;
    TDirWatcher& operator=(const TDirWatcher&) = delete;

    bool Running() const { return FRunning; }
    const std::string& Root() const { return FRoot; }
    // The notifications collected since the last call, oldest first.
    std::vector<TStNotification> Take();

    // One record as the system reports it.
    struct TRecord {
        DWORD Action;          // FILE_ACTION_...
        std::wstring Name;     // relative to the root
    };
    // Turns a batch of records of the content watch (names, sizes, times) or the attribute watch into
    // notifications; an empty batch means the system's buffer overflowed. A rename's old and new names
    // become one notification.
    static std::vector<TStNotification> Translate(const std::string& root, const std::vector<TRecord>& records,
                                                  bool attributeWatch);

private:
    void Run();
    void Deliver(std::vector<TStNotification> batch);

    std::string FRoot;
    bool FSubtree;
    std::function<void()> FWake;
    HANDLE FStop = nullptr;
    HANDLE FDirs[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    std::atomic<bool> FRunning{false};
    std::mutex FLock;
    std::vector<TStNotification> FPending;
    std::thread FThread;
};
