#include "shell/DirWatcher_win.h"

#include "platform/WinText.h"

namespace {

constexpr DWORD kContentFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                 FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD kAttributeFilter = FILE_NOTIFY_CHANGE_ATTRIBUTES;
constexpr DWORD kBufferBytes = 64 * 1024;

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

TDirWatcher::TDirWatcher(const std::string& root, bool subtree, std::function<void()> wake)
    : FRoot(root), FSubtree(subtree), FWake(std::move(wake)) {
    while (FRoot.size() > 3 && (FRoot.back() == '\\' || FRoot.back() == '/')) FRoot.pop_back();
    FStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    FDirs[0] = OpenDir(FRoot);
    FDirs[1] = OpenDir(FRoot);
    if (!FStop || FDirs[0] == INVALID_HANDLE_VALUE || FDirs[1] == INVALID_HANDLE_VALUE) return;
    FRunning = true;
    FThread = std::thread([this] { Run(); });
}

TDirWatcher::~TDirWatcher() {
    if (FStop) ::SetEvent(FStop);
    if (FThread.joinable()) FThread.join();
    for (HANDLE& h : FDirs)
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    if (FStop) ::CloseHandle(FStop);
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

void TDirWatcher::Run() {
    struct TWatch {
        HANDLE Dir;
        DWORD Filter;
        HANDLE Event;
        OVERLAPPED Ov;
        std::vector<DWORD> Buffer;  // DWORD-aligned, as the records must be
        bool Pending;
    } watches[2] = {{FDirs[0], kContentFilter, nullptr, {}, {}, false},
                    {FDirs[1], kAttributeFilter, nullptr, {}, {}, false}};
    auto arm = [&](TWatch& w) {
        ::ResetEvent(w.Event);
        w.Ov = {};
        w.Ov.hEvent = w.Event;
        w.Pending = ::ReadDirectoryChangesW(w.Dir, w.Buffer.data(), kBufferBytes, FSubtree, w.Filter, nullptr,
                                            &w.Ov, nullptr) != FALSE;
        return w.Pending;
    };
    bool ok = true;
    for (auto& w : watches) {
        w.Event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        w.Buffer.resize(kBufferBytes / sizeof(DWORD));
        ok = ok && w.Event && arm(w);
    }
    while (ok) {
        HANDLE waits[3] = {FStop, watches[0].Event, watches[1].Event};
        DWORD r = ::WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 || r < WAIT_OBJECT_0 || r > WAIT_OBJECT_0 + 2) break;
        TWatch& w = watches[r - WAIT_OBJECT_0 - 1];
        DWORD bytes = 0;
        w.Pending = false;
        std::vector<TRecord> records;
        if (::GetOverlappedResult(w.Dir, &w.Ov, &bytes, FALSE) && bytes > 0) {
            auto* base = reinterpret_cast<const BYTE*>(w.Buffer.data());
            for (DWORD offset = 0;;) {
                auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
                records.push_back({info->Action, std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t))});
                if (info->NextEntryOffset == 0) break;
                offset += info->NextEntryOffset;
                if (offset >= bytes) break;
            }
        } else if (::GetLastError() == ERROR_OPERATION_ABORTED) {
            break;
        }
        // No bytes (or ERROR_NOTIFY_ENUM_DIR): the system's buffer overflowed; an empty batch says so.
        try {
            Deliver(Translate(FRoot, records, &w == &watches[1]));
        } catch (...) {
            // Out of memory on the watcher thread: the changes are lost, the watch goes on.
        }
        ok = arm(w);
    }
    for (auto& w : watches) {
        if (w.Pending) {
            ::CancelIoEx(w.Dir, &w.Ov);
            DWORD bytes = 0;
            ::GetOverlappedResult(w.Dir, &w.Ov, &bytes, TRUE);
        }
        if (w.Event) ::CloseHandle(w.Event);
    }
    FRunning = false;
}
