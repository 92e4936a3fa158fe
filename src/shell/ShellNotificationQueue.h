#pragma once
// The portable part of change notification: the kinds of change, the shell's event bits they stand
// for, the queue that holds notifications until the user-interface thread drains them, and the
// invalidation of cached folder totals that a notification brings.
//
// A notification carries up to two items (the changed item and, for a rename, its new name) and the
// shell's event bits. Sources (the shell's registration, the directory watcher, tests) all go through
// TStNotificationQueue::Receive, so what is tested with injected notifications is the path real ones
// take.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TFolderSizeService;

enum TStNotifyEvent {
    neAssociationChange,
    neAttributesChange,
    neFileChange,
    neFileCreate,
    neFileDelete,
    neFileRename,
    neDriveAdd,
    neDriveRemove,
    neShellDriveAdd,
    neDriveSpaceChange,
    neMediaInsert,
    neMediaRemove,
    neFolderCreate,
    neFolderDelete,
    neFolderRename,
    neFolderUpdate,
    neNetShare,
    neNetUnShare,
    neServerDisconnect,
    neImageListChange,
};
constexpr int kNotifyEventCount = 20;

// A set of kinds: bit (1 << kind).
class TStNotifyEventsSet {
public:
    constexpr TStNotifyEventsSet() = default;
    constexpr TStNotifyEventsSet(std::initializer_list<TStNotifyEvent> kinds) {
        for (auto k : kinds) FBits |= 1u << k;
    }
    static constexpr TStNotifyEventsSet All() {
        TStNotifyEventsSet s;
        s.FBits = (1u << kNotifyEventCount) - 1;
        return s;
    }
    constexpr bool Contains(TStNotifyEvent k) const { return FBits & (1u << k); }
    constexpr bool ContainsAny(TStNotifyEventsSet other) const { return FBits & other.FBits; }
    constexpr bool Empty() const { return FBits == 0; }
    void Include(TStNotifyEvent k) { FBits |= 1u << k; }
    constexpr std::uint32_t Bits() const { return FBits; }
    constexpr bool operator==(const TStNotifyEventsSet&) const = default;

private:
    std::uint32_t FBits = 0;
};

// The shell's change event bits (the values of the system's SHCNE_ constants).
namespace shcne {
constexpr std::uint32_t kRenameItem = 0x1, kCreate = 0x2, kDelete = 0x4, kMkDir = 0x8, kRmDir = 0x10,
                        kMediaInserted = 0x20, kMediaRemoved = 0x40, kDriveRemoved = 0x80, kDriveAdd = 0x100,
                        kNetShare = 0x200, kNetUnshare = 0x400, kAttributes = 0x800, kUpdateDir = 0x1000,
                        kUpdateItem = 0x2000, kServerDisconnect = 0x4000, kUpdateImage = 0x8000,
                        kDriveAddGui = 0x10000, kRenameFolder = 0x20000, kFreeSpace = 0x40000,
                        kAssocChanged = 0x08000000;
// The events that name folders rather than files.
constexpr std::uint32_t kFolderEvents = kMkDir | kRmDir | kRenameFolder | kUpdateDir;
}  // namespace shcne

// The shell bit a kind stands for.
std::uint32_t ShellEventBit(TStNotifyEvent kind);
// The shell bits of a set of kinds.
std::uint32_t ShellEventBits(TStNotifyEventsSet kinds);
// The kinds of the bits set, in the order their events are raised: association, item updated,
// created, deleted, renamed, drive added, drive removed, drive added through the shell, media
// inserted, media removed, folder created, folder removed, folder renamed, folder updated, shared,
// unshared, server disconnected, image changed, free space. The attribute bit is not among them: an
// attribute change is handled on arrival.
std::vector<TStNotifyEvent> DispatchKinds(std::uint32_t bits);

struct _ITEMIDLIST;

// One item of a notification. Path is the file-system path (empty for a virtual object).
struct TStNotifyItem {
    std::string Path;
    std::string DisplayName;
    bool IsFolder = false;
    // The shell's identifier list when the shell sent it (freed by whoever made it).
    std::shared_ptr<_ITEMIDLIST> IdList;
};

struct TStNotification {
    std::uint32_t Events = 0;  // shell bits
    std::optional<TStNotifyItem> Item1, Item2;
    // The source lost track (its buffer overflowed): everything below Item1 may have changed.
    bool WholeTree = false;
};

// The queue of notifications waiting for the user-interface thread, with its limit.
class TStNotificationQueue {
public:
    enum class TReceived {
        Dropped,     // the queue was full: folded into the pending overflow entry
        HandleNow,   // an attribute change: handle it at once, it is not queued
        Duplicate,   // the same change is already waiting
        QueuedFirst, // queued as the only entry: post the drain message
        Queued,
    };

    // 0 = no limit. A notification arriving while the queue holds more entries than the limit is
    // dropped; its kinds and items are kept in one overflow entry that RequeueDropped hands back once
    // the queue has drained, so nothing that was dropped goes unnoticed.
    std::size_t Limit() const { return FLimit; }
    void SetLimit(std::size_t limit) { FLimit = limit; }

    TReceived Receive(TStNotification n);

    bool Empty() const { return FItems.empty(); }
    std::size_t Count() const { return FItems.size(); }
    TStNotification& Head() { return FItems.front(); }
    void PopHead() { FItems.pop_front(); }
    void Clear();

    // When notifications were dropped since the last call, queues one entry carrying the union of their
    // kinds (the first dropped notification's items) and returns true.
    bool RequeueDropped();
    std::size_t DroppedTotal() const { return FDroppedTotal; }
    // Called with every notification that is dropped, before it is folded.
    std::function<void(const TStNotification&)> OnDrop;

private:
    std::size_t FLimit = 0;
    std::deque<TStNotification> FItems;
    std::optional<TStNotification> FDropped;
    std::size_t FDroppedTotal = 0;
};

// Marks the cached totals a notification makes stale: the first item's folder (the item when it is a
// folder, else its parent) and every ancestor, and for a rename the second item's too. WholeTree marks
// every cached folder below Item1 as well. A notification without a first item invalidates nothing.
void InvalidateForNotification(TFolderSizeService& service, const TStNotification& n);
// Marks every cached folder at or below root stale, and root's ancestors.
void InvalidateFolderTree(TFolderSizeService& service, std::string_view root);

// What the main window refreshes after the folder list handled a notification: the volume list when
// used or free space may have changed; the chart and the status summary when an item changed inside
// the current folder's tree (the old item's path, or the new one's when there is no old item, begins
// with the current folder's path; compared case-sensitively).
struct TStRefreshNeeds {
    bool Volumes = false;
    bool Chart = false;
};
// The paths are null for an item the notification does not carry.
TStRefreshNeeds MainWindowRefreshNeeds(TStNotifyEventsSet events, const std::string* oldPath,
                                       const std::string* newPath, std::string_view currentPath);
