#include "shell/ShellNotificationQueue.h"

#include "shell/FolderSize.h"

namespace {

struct TKindBit {
    TStNotifyEvent Kind;
    std::uint32_t Bit;
};

// In the order the events are raised.
constexpr TKindBit kDispatchOrder[] = {
    {neAssociationChange, shcne::kAssocChanged}, {neFileChange, shcne::kUpdateItem},
    {neFileCreate, shcne::kCreate},              {neFileDelete, shcne::kDelete},
    {neFileRename, shcne::kRenameItem},          {neDriveAdd, shcne::kDriveAdd},
    {neDriveRemove, shcne::kDriveRemoved},       {neShellDriveAdd, shcne::kDriveAddGui},
    {neMediaInsert, shcne::kMediaInserted},      {neMediaRemove, shcne::kMediaRemoved},
    {neFolderCreate, shcne::kMkDir},             {neFolderDelete, shcne::kRmDir},
    {neFolderRename, shcne::kRenameFolder},      {neFolderUpdate, shcne::kUpdateDir},
    {neNetShare, shcne::kNetShare},              {neNetUnShare, shcne::kNetUnshare},
    {neServerDisconnect, shcne::kServerDisconnect}, {neImageListChange, shcne::kUpdateImage},
    {neDriveSpaceChange, shcne::kFreeSpace},
};

bool SameItem(const std::optional<TStNotifyItem>& a, const std::optional<TStNotifyItem>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->Path == b->Path && a->IsFolder == b->IsFolder && !a->Path.empty());
}

}  // namespace

std::uint32_t ShellEventBit(TStNotifyEvent kind) {
    if (kind == neAttributesChange) return shcne::kAttributes;
    for (const auto& kb : kDispatchOrder)
        if (kb.Kind == kind) return kb.Bit;
    return 0;
}

std::uint32_t ShellEventBits(TStNotifyEventsSet kinds) {
    std::uint32_t bits = 0;
    for (int k = 0; k < kNotifyEventCount; ++k)
        if (kinds.Contains(static_cast<TStNotifyEvent>(k))) bits |= ShellEventBit(static_cast<TStNotifyEvent>(k));
    return bits;
}

std::vector<TStNotifyEvent> DispatchKinds(std::uint32_t bits) {
    std::vector<TStNotifyEvent> kinds;
    for (const auto& kb : kDispatchOrder)
        if (bits & kb.Bit) kinds.push_back(kb.Kind);
    return kinds;
}

TStNotificationQueue::TReceived TStNotificationQueue::Receive(TStNotification n) {
    // A change already waiting (both sources report it, or a file is written in several steps) is
    // handled once; the waiting entry refreshes everything the new one would. The head may be in the
    // middle of its handling, so it does not count.
    if (!(n.Events & shcne::kAttributes) && FItems.size() > 1)
        for (auto it = FItems.begin() + 1; it != FItems.end(); ++it)
            if (it->Events == n.Events && it->WholeTree == n.WholeTree && SameItem(it->Item1, n.Item1) &&
                SameItem(it->Item2, n.Item2))
                return TReceived::Duplicate;
    if (FLimit != 0 && FItems.size() > FLimit) {
        ++FDroppedTotal;
        if (OnDrop) OnDrop(n);
        if (!FDropped)
            FDropped = std::move(n);
        else {
            FDropped->Events |= n.Events;
            FDropped->WholeTree |= n.WholeTree;
        }
        return TReceived::Dropped;
    }
    if (n.Events & shcne::kAttributes) return TReceived::HandleNow;
    FItems.push_back(std::move(n));
    return FItems.size() == 1 ? TReceived::QueuedFirst : TReceived::Queued;
}

void TStNotificationQueue::Clear() {
    FItems.clear();
    FDropped.reset();
}

bool TStNotificationQueue::RequeueDropped() {
    if (!FDropped) return false;
    FItems.push_back(std::move(*FDropped));
    FDropped.reset();
    return true;
}

void InvalidateFolderTree(TFolderSizeService& service, std::string_view root) {
    const std::string prefix = service.CacheKey(root);
    auto& cache = service.FolderSizeCache();
    for (const auto& entry : cache.Entries())
        if (entry.Key.compare(0, prefix.size(), prefix) == 0) cache.MarkStale(entry.Key);
    service.InvalidateFolderSize(root, true);
}

void InvalidateForNotification(TFolderSizeService& service, const TStNotification& n) {
    if (!n.Item1) return;
    if (n.Item1->Path.empty()) return;
    if (n.WholeTree) {
        InvalidateFolderTree(service, n.Item1->Path);
        return;
    }
    service.InvalidateFolderSize(n.Item1->Path, n.Item1->IsFolder);
    // A rename moves the item into the second name's folder, which may be another folder.
    if ((n.Events & (shcne::kRenameItem | shcne::kRenameFolder)) && n.Item2 && !n.Item2->Path.empty())
        service.InvalidateFolderSize(n.Item2->Path, n.Item2->IsFolder);
}

TStRefreshNeeds MainWindowRefreshNeeds(TStNotifyEventsSet events, const std::string* oldPath,
                                       const std::string* newPath, std::string_view currentPath) {
    static constexpr TStNotifyEventsSet kSpace = {neFileChange,   neFileCreate,   neFileDelete,
                                                  neDriveSpaceChange, neFolderCreate, neFolderDelete,
                                                  neFolderUpdate, neNetShare,     neNetUnShare};
    static constexpr TStNotifyEventsSet kContents = {neFileChange,   neFileCreate,   neFileDelete,
                                                     neFileRename,   neFolderCreate, neFolderDelete,
                                                     neFolderRename, neFolderUpdate};
    TStRefreshNeeds needs;
    needs.Volumes = events.ContainsAny(kSpace);
    if (events.ContainsAny(kContents)) {
        const std::string* path = oldPath ? oldPath : newPath;
        needs.Chart = path && std::string_view(*path).substr(0, currentPath.size()) == currentPath;
    }
    return needs;
}
