#include "shell/ShellNotification.h"

#include <shellapi.h>

#include "platform/FlagScope.h"
#include "platform/WinText.h"
#include "shell/DirWatcher_win.h"
#include "shell/FolderSize.h"
#include "shell/ShellListView_win.h"
#include "shell/ShellPath_win.h"
#include "ui/Forms.h"

namespace {

constexpr wchar_t kWindowClass[] = L"VsShellNotification";

void RegisterWindowClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    wc.lpfnWndProc = ::DefWindowProcW;
    ::RegisterClassExW(&wc);
    done = true;
}

struct TPidlFree {
    void operator()(_ITEMIDLIST* p) const { ::CoTaskMemFree(p); }
};

// The kinds the directory watcher can report; without any of them it is not started.
constexpr TStNotifyEventsSet kFileKinds = {neAttributesChange, neFileChange,   neFileCreate,   neFileDelete,
                                           neFileRename,       neFolderCreate, neFolderDelete, neFolderRename,
                                           neFolderUpdate};

}  // namespace

TStNotifyItem NotifyItemFromIdList(PCIDLIST_ABSOLUTE idList, bool isFolderHint) {
    TStNotifyItem item;
    if (!idList) return item;
    item.IdList.reset(reinterpret_cast<_ITEMIDLIST*>(::ILClone(idList)), TPidlFree());
    wchar_t path[MAX_PATH * 4] = {};
    if (::SHGetPathFromIDListEx(idList, path, static_cast<DWORD>(std::size(path)), GPFIDL_DEFAULT))
        item.Path = Narrow(path);
    SHFILEINFOW info = {};
    if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(idList), 0, &info, sizeof info,
                         SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES)) {
        item.DisplayName = Narrow(info.szDisplayName);
        item.IsFolder = isFolderHint || (info.dwAttributes & SFGAO_FOLDER);
    } else {
        item.IsFolder = isFolderHint;
        item.DisplayName = item.Path.substr(item.Path.find_last_of('\\') + 1);
    }
    return item;
}

TStCustomShellNotification::TStCustomShellNotification(TComponent* owner) : TComponent(owner) {
    RegisterWindowClass();
    FWindow = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    FQueue.OnDrop = [this](const TStNotification& n) {
        // A dropped change still makes its folder's totals stale; the folded entry refreshes later.
        if (OnShellChangeNotify) InvalidateForNotification(Service(), n);
    };
}

TStCustomShellNotification::~TStCustomShellNotification() {
    // What the watcher still holds is not handled any more: the handlers' owners are going too.
    FDestroying = true;
    Deregister();
    ::SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    ::DestroyWindow(FWindow);
}

TFolderSizeService& TStCustomShellNotification::Service() {
    return FService ? *FService : FolderSizeService();
}

LRESULT CALLBACK TStCustomShellNotification::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<TStCustomShellNotification*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(wnd, msg, wp, lp);
    try {
        return self->HandleMessage(msg, wp, lp);
    } catch (...) {
        Application->HandleException(self);
        return 0;
    }
}

LRESULT TStCustomShellNotification::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kShellNotifyMessage: FromShell(wp, lp); return 0;
        case kShellDrainMessage: ProcessQueue(); return 0;
        case kDirWatcherMessage: FromWatcher(); return 0;
        case WM_DEVICECHANGE:
            // A removal of the watched folder's drive is never refused.
            DeviceChange(wp, lp);
            return TRUE;
        default: return ::DefWindowProcW(FWindow, msg, wp, lp);
    }
}

void TStCustomShellNotification::FromShell(WPARAM wp, LPARAM lp) {
    PIDLIST_ABSOLUTE* pidls = nullptr;
    LONG event = 0;
    HANDLE lock = ::SHChangeNotification_Lock(reinterpret_cast<HANDLE>(wp), static_cast<DWORD>(lp), &pidls, &event);
    if (!lock) return;
    TStNotification n;
    n.Events = static_cast<std::uint32_t>(event);
    const bool folder = n.Events & shcne::kFolderEvents;
    try {
        if (pidls && pidls[0]) n.Item1 = NotifyItemFromIdList(pidls[0], folder);
        if (pidls && pidls[1]) n.Item2 = NotifyItemFromIdList(pidls[1], folder);
    } catch (...) {
        ::SHChangeNotification_Unlock(lock);
        throw;
    }
    ::SHChangeNotification_Unlock(lock);
    Receive(std::move(n));
}

void TStCustomShellNotification::FromWatcher() {
    if (FWatcher) ReceiveFromWatcher(FWatcher->Take());
}

void TStCustomShellNotification::ReceiveFromWatcher(std::vector<TStNotification> batch) {
    // Only the kinds asked for.
    const std::uint32_t wanted = ShellEventBits(FNotifyEvents);
    for (auto& n : batch) {
        n.Events &= wanted;
        if (n.Events) Receive(std::move(n));
    }
}

bool TStCustomShellNotification::DeviceChange(WPARAM event, LPARAM data) {
    if (!FWatcher || !FWatcher->DeviceChange(event, data)) return false;
    // Closed for a removal: what the watcher saw before still counts. Opened again, it goes on.
    if (!FWatcher->Running()) ReceiveFromWatcher(FWatcher->Take());
    return true;
}

void TStCustomShellNotification::Receive(TStNotification n) {
    if (FDestroying) return;
    TStNotification attribute;
    const bool isAttribute = n.Events & shcne::kAttributes;
    if (isAttribute) attribute = n;
    switch (FQueue.Receive(std::move(n))) {
        case TStNotificationQueue::TReceived::HandleNow: {
            const TStNotifyItem* a = attribute.Item1 ? &*attribute.Item1 : nullptr;
            const TStNotifyItem* b = attribute.Item2 ? &*attribute.Item2 : nullptr;
            if (OnAttributeChanged) OnAttributeChanged(this, a, b);
            Summary(attribute, {neAttributesChange});
            break;
        }
        case TStNotificationQueue::TReceived::QueuedFirst: ::PostMessageW(FWindow, kShellDrainMessage, 0, 0); break;
        default: break;
    }
}

void TStCustomShellNotification::ProcessQueue() {
    // A handler that lets messages run may see the drain message again: the running drain finishes.
    if (FDraining) return;
    TFlagScope draining(FDraining);
    do {
        while (!FQueue.Empty()) {
            // A copy: handlers may receive more notifications, which grows the queue under the head.
            const TStNotification n = FQueue.Head();
            const TStNotifyItem* a = n.Item1 ? &*n.Item1 : nullptr;
            const TStNotifyItem* b = n.Item2 ? &*n.Item2 : nullptr;
            try {
                TStNotifyEventsSet kinds;
                for (TStNotifyEvent kind : DispatchKinds(n.Events)) {
                    kinds.Include(kind);
                    if (auto& event = EventOf(kind)) event(this, a, b);
                }
                Summary(n, kinds);
            } catch (...) {
                // Reported, and the entry is done with, so one failing handler does not stall the queue.
                Application->HandleException(this);
            }
            FQueue.PopHead();
        }
    } while (FQueue.RequeueDropped());
}

void TStCustomShellNotification::Summary(const TStNotification& n, TStNotifyEventsSet kinds) {
    if (!OnShellChangeNotify) return;
    InvalidateForNotification(Service(), n);
    OnShellChangeNotify(this, n.Item1 ? &*n.Item1 : nullptr, n.Item2 ? &*n.Item2 : nullptr, kinds);
}

TStShellNotifyEvent& TStCustomShellNotification::EventOf(TStNotifyEvent kind) {
    switch (kind) {
        case neAssociationChange: return OnAssociationChange;
        case neAttributesChange: return OnAttributeChanged;
        case neFileChange: return OnFileChanged;
        case neFileCreate: return OnFileCreate;
        case neFileDelete: return OnFileDelete;
        case neFileRename: return OnFileRenamed;
        case neDriveAdd: return OnDriveAdd;
        case neDriveRemove: return OnDriveRemove;
        case neShellDriveAdd: return OnShellDriveAdd;
        case neDriveSpaceChange: return OnDriveSpaceChanged;
        case neMediaInsert: return OnMediaInsert;
        case neMediaRemove: return OnMediaRemoved;
        case neFolderCreate: return OnFolderCreated;
        case neFolderDelete: return OnFolderDelete;
        case neFolderRename: return OnFolderRename;
        case neFolderUpdate: return OnFolderChanged;
        case neNetShare: return OnNetShared;
        case neNetUnShare: return OnNetUnShared;
        case neServerDisconnect: return OnServerDisconnect;
        case neImageListChange: return OnImageListChanged;
    }
    return OnFolderChanged;
}

void TStCustomShellNotification::SetActive(bool active) {
    if (active == FActive) return;
    FActive = active;
    if (active)
        RegisterNotify();
    else
        Deregister();
}

void TStCustomShellNotification::Reregister() {
    if (FActive) RegisterNotify();
}

void TStCustomShellNotification::SetNotifyEvents(TStNotifyEventsSet events) {
    FNotifyEvents = events;
    Reregister();
}
void TStCustomShellNotification::SetSpecialWatchFolder(TStSpecialRootFolder folder) {
    FSpecial = folder;
    Reregister();
}
void TStCustomShellNotification::SetWatchSubFolders(bool on) {
    FWatchSubFolders = on;
    Reregister();
}
void TStCustomShellNotification::SetWatchIdList(PCIDLIST_ABSOLUTE idList, const std::string& path) {
    FWatchIdList = idList;
    FWatchIdListPath = path;
    Reregister();
}

void TStCustomShellNotification::SetWatchFolder(const std::string& path) {
    std::string p = path;
    if (p.size() == 2 && p[1] == ':') p += '\\';
    if (!p.empty()) {
        PIDLIST_ABSOLUTE pidl = ParseShellPath(p);
        if (!pidl) throw ESsInvalidFolder("Invalid folder");
        ::CoTaskMemFree(pidl);
    }
    FWatchFolder = p;
    Reregister();
}

std::string TStCustomShellNotification::WatchedPath() const {
    return FWatcher && FWatcher->Running() ? FWatcher->Root() : std::string();
}

void TStCustomShellNotification::RegisterNotify() {
    Deregister();
    // The watched identifier list: the path, else the special folder, else the one handed over.
    std::unique_ptr<_ITEMIDLIST, TPidlFree> own;
    PCIDLIST_ABSOLUTE pidl = FWatchIdList;
    if (!FWatchFolder.empty()) {
        own.reset(ParseShellPath(FWatchFolder));
        pidl = own.get();
    } else if (FSpecial != sfNone) {
        PIDLIST_ABSOLUTE p = nullptr;
        if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, SpecialFolderNumber(FSpecial), &p))) own.reset(p);
        pidl = own.get();
    }
    if (!pidl) return;
    SHChangeNotifyEntry entry = {pidl, FWatchSubFolders};
    FRegistration = ::SHChangeNotifyRegister(FWindow, SHCNRF_InterruptLevel | SHCNRF_ShellLevel | SHCNRF_NewDelivery,
                                             static_cast<LONG>(ShellEventBits(FNotifyEvents)), kShellNotifyMessage, 1,
                                             &entry);
    // The directory watcher, for a folder of the file system.
    if (!FNotifyEvents.ContainsAny(kFileKinds) || FSpecial == sfDesktop) return;
    std::string root;
    if (pidl == FWatchIdList && !FWatchIdListPath.empty()) {
        root = FWatchIdListPath;
    } else {
        wchar_t path[MAX_PATH * 4] = {};
        if (!::SHGetPathFromIDListEx(pidl, path, static_cast<DWORD>(std::size(path)), GPFIDL_DEFAULT) || !path[0])
            return;
        root = Narrow(path);
    }
    HWND wnd = FWindow;
    auto watcher = std::make_unique<TDirWatcher>(
        root, FWatchSubFolders, [wnd] { ::PostMessageW(wnd, kDirWatcherMessage, 0, 0); }, FWindow);
    if (watcher->Running()) FWatcher = std::move(watcher);
}

void TStCustomShellNotification::Deregister() {
    if (FRegistration) ::SHChangeNotifyDeregister(FRegistration);
    FRegistration = 0;
    if (FWatcher) {
        if (BeforeWatcherStops) BeforeWatcherStops();
        // What the watcher saw before it stopped still counts: stopped first, nothing can come in
        // between the last look and the end.
        std::unique_ptr<TDirWatcher> watcher = std::move(FWatcher);
        watcher->Stop();
        ReceiveFromWatcher(watcher->Take());
    }
}
