#include "shell/DirWatcher_win.h"

#include <dbt.h>
#include <process.h>

#include "platform/WinText.h"

namespace {

constexpr DWORD kContentFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                 FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD kAttributeFilter = FILE_NOTIFY_CHANGE_ATTRIBUTES;
constexpr DWORD kBufferBytes = 64 * 1024;
// The device interface class of volumes (GUID_DEVINTERFACE_VOLUME).
constexpr GUID kVolumeInterface = {0x53f5630d, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

TStNotifyItem ItemAt(const std::string& root, const std::wstring& relative, bool* isFolder = nullptr) {
    TStNotifyItem item;
    item.Path = root;
    if (!item.Path.empty() && item.Path.back() != '\\') item.Path += '\\';
    item.Path += Narrow(relative);
    size_t slash = item.Path.find_last_of('\\');
    item.DisplayName = item.Path.substr(slash + 1);
    DWORD attrs = ::GetFileAttributesW(Widen(item.Path).c_str());
    item.IsFolder = attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
    if (isFolder) *isFolder = item.IsFolder;
    return item;
}

HANDLE OpenDir(const std::string& root) {
    return ::CreateFileW(Widen(root).c_str(), FILE_LIST_DIRECTORY,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
}

}  // namespace

std::vector<TStNotification> TDirWatcher::Translate(const std::string& root, const std::vector<TRecord>& records,
                                                    bool attributeWatch) {
    std::vector<TStNotification> out;
    if (records.empty()) {
        // The system lost the changes: the whole tree is to be read again.
        TStNotification n;
        n.Events = shcne::kUpdateDir;
        n.Item1 = ItemAt(root, L"");
        n.Item1->Path = root;
        n.Item1->IsFolder = true;
        n.WholeTree = true;
        out.push_back(std::move(n));
        return out;
    }
    std::optional<TStNotifyItem> renamedFrom;
    for (const auto& r : records) {
        TStNotification n;
        bool folder = false;
        switch (r.Action) {
            case FILE_ACTION_ADDED:
                n.Item1 = ItemAt(root, r.Name, &folder);
                n.Events = folder ? shcne::kMkDir : shcne::kCreate;
                break;
            case FILE_ACTION_REMOVED:
                // Gone: whether it was a folder cannot be asked any more. Its parent's totals change either way.
                n.Item1 = ItemAt(root, r.Name);
                n.Events = shcne::kDelete;
                break;
            case FILE_ACTION_MODIFIED:
                n.Item1 = ItemAt(root, r.Name, &folder);
                n.Events = attributeWatch ? shcne::kAttributes : folder ? shcne::kUpdateDir : shcne::kUpdateItem;
                break;
            case FILE_ACTION_RENAMED_OLD_NAME:
                renamedFrom = ItemAt(root, r.Name);
                continue;
            case FILE_ACTION_RENAMED_NEW_NAME:
                n.Item2 = ItemAt(root, r.Name, &folder);
                n.Item1 = renamedFrom ? std::move(*renamedFrom) : *n.Item2;
                n.Item1->IsFolder = folder;
                renamedFrom.reset();
                n.Events = folder ? shcne::kRenameFolder : shcne::kRenameItem;
                break;
            default: continue;
        }
        out.push_back(std::move(n));
    }
    if (renamedFrom) {  // the new name lies outside the watched tree: the item left it
        TStNotification n;
        n.Events = shcne::kDelete;
        n.Item1 = std::move(renamedFrom);
        out.push_back(std::move(n));
    }
    return out;
}

TDirWatcher::TDirWatcher(const std::string& root, bool subtree, std::function<void()> wake, HWND deviceWindow)
    : FRoot(root), FSubtree(subtree), FWake(std::move(wake)), FDeviceWindow(deviceWindow) {
    while (FRoot.size() > 3 && (FRoot.back() == '\\' || FRoot.back() == '/')) FRoot.pop_back();
    FStop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    FWatches[0].Filter = kContentFilter;
    FWatches[1].Filter = kAttributeFilter;
    for (auto& w : FWatches) {
        w.Event.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        w.Buffer.resize(kBufferBytes / sizeof(DWORD));
    }
    Open();
}

TDirWatcher::~TDirWatcher() {
    Close(true);
}

void TDirWatcher::Open() {
    if (!FStop) return;
    for (auto& w : FWatches) {
        if (!w.Event) return;
        w.Dir.Reset(OpenDir(FRoot));
        if (!w.Dir) {
            Close(false);
            return;
        }
        if (FDeviceWindow) {
            // Registered again after a refused removal: the new handle replaces the closed one.
            DEV_BROADCAST_HANDLE filter{};
            filter.dbch_size = sizeof filter;
            filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
            filter.dbch_handle = w.Dir.Get();
            w.Device.Reset(::RegisterDeviceNotificationW(FDeviceWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
        }
    }
    FVolumeArrivals.Reset();
    ::ResetEvent(FStop.Get());
    // The first reads are asked for here, so that a change made as soon as this returns is seen.
    for (auto& w : FWatches)
        if (!Arm(w)) {
            Close(false);
            return;
        }
    FRunning = true;
    FThread.Reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &ThreadProc, this, 0, nullptr)));
    if (!FThread) Close(false);
}

void TDirWatcher::Close(bool unregister) {
    Stop();
    for (auto& w : FWatches) {
        if (w.Pending) Harvest(w, true);  // armed, but the thread never ran
        w.Dir.Reset();
        if (unregister) w.Device.Reset();
    }
}

void TDirWatcher::Stop() {
    if (FThread) {
        ::SetEvent(FStop.Get());
        ::WaitForSingleObject(FThread.Get(), INFINITE);
        FThread.Reset();
    }
    FRunning = false;
}

bool TDirWatcher::DeviceChange(WPARAM event, LPARAM data) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header) return false;
    if (event == DBT_DEVICEARRIVAL && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE && FVolumeArrivals) {
        // A volume came: perhaps the removed one is back. Opening the folder tells.
        Open();
        return FRunning;
    }
    if (header->dbch_devicetype != DBT_DEVTYP_HANDLE) return false;
    const auto* named = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(header);
    bool ours = false;
    for (const auto& w : FWatches)
        ours = ours || (w.Dir && named->dbch_handle == w.Dir.Get()) ||
               (w.Device && named->dbch_hdevnotify == w.Device.Get());
    if (!ours) return false;
    switch (event) {
        case DBT_DEVICEQUERYREMOVE:
            // The registrations stay, to hear whether the removal goes ahead.
            Close(false);
            break;
        case DBT_DEVICEQUERYREMOVEFAILED:
            if (!FThread) Open();
            break;
        case DBT_DEVICEREMOVEPENDING:
        case DBT_DEVICEREMOVECOMPLETE:
            Close(true);
            WatchVolumeArrivals();
            break;
        default:
            break;
    }
    return true;
}

void TDirWatcher::WatchVolumeArrivals() {
    if (!FDeviceWindow || FVolumeArrivals) return;
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kVolumeInterface;
    FVolumeArrivals.Reset(::RegisterDeviceNotificationW(FDeviceWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

std::vector<TStNotification> TDirWatcher::Take() {
    std::lock_guard lock(FLock);
    return std::exchange(FPending, {});
}

void TDirWatcher::Deliver(std::vector<TStNotification> batch) {
    if (batch.empty()) return;
    {
        std::lock_guard lock(FLock);
        for (auto& n : batch) FPending.push_back(std::move(n));
    }
    if (FWake) FWake();
}

unsigned __stdcall TDirWatcher::ThreadProc(void* self) {
    static_cast<TDirWatcher*>(self)->Run();
    return 0;
}

bool TDirWatcher::Arm(TWatch& w) {
    ::ResetEvent(w.Event.Get());
    w.Ov = {};
    w.Ov.hEvent = w.Event.Get();
    w.Pending = ::ReadDirectoryChangesW(w.Dir.Get(), w.Buffer.data(), kBufferBytes, FSubtree, w.Filter, nullptr, &w.Ov,
                                        nullptr) != FALSE;
    return w.Pending;
}

bool TDirWatcher::Harvest(TWatch& w, bool stopping) {
    if (!w.Pending) return false;
    // Stopping: a read that has finished still counts; one that has not is cancelled.
    if (stopping && ::WaitForSingleObject(w.Event.Get(), 0) != WAIT_OBJECT_0) ::CancelIoEx(w.Dir.Get(), &w.Ov);
    DWORD bytes = 0;
    const bool done = ::GetOverlappedResult(w.Dir.Get(), &w.Ov, &bytes, TRUE) != FALSE;
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    w.Pending = false;
    if (error == ERROR_OPERATION_ABORTED) return false;
    std::vector<TRecord> records;
    if (done && bytes > 0) {
        auto* base = reinterpret_cast<const BYTE*>(w.Buffer.data());
        for (DWORD offset = 0;;) {
            auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
            records.push_back({info->Action, std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t))});
            if (info->NextEntryOffset == 0) break;
            offset += info->NextEntryOffset;
            if (offset >= bytes) break;
        }
    }
    // No bytes (or ERROR_NOTIFY_ENUM_DIR): the system's buffer overflowed; an empty batch says so.
    try {
        Deliver(Translate(FRoot, records, &w == &FWatches[1]));
    } catch (...) {
        // Out of memory on the watcher thread: the changes are lost, the watch goes on.
    }
    return true;
}

void TDirWatcher::Run() {
    for (bool ok = true; ok;) {
        HANDLE waits[3] = {FStop.Get(), FWatches[0].Event.Get(), FWatches[1].Event.Get()};
        const DWORD r = ::WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (r != WAIT_OBJECT_0 + 1 && r != WAIT_OBJECT_0 + 2) break;  // stopped, or the wait failed
        TWatch& w = FWatches[r - WAIT_OBJECT_0 - 1];
        ok = Harvest(w, false) && Arm(w);
    }
    for (auto& w : FWatches) Harvest(w, true);
    FRunning = false;
}
