#include "scans/ScanKeeper.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/Exception.h"
#include "scans/ScanFile.h"
#include "shell/FolderSize.h"

namespace {

// A held folder's full path: a root's name is its path, anything else is named by its parent's listing.
std::string FullPathOf(const TScanReader& reader, std::uint32_t index, char sep) {
    std::vector<std::string_view> names;
    for (std::uint32_t i = index; i != TScanFolder::kNone; i = reader.At(i).Parent) {
        names.push_back(reader.Name(i));
        if (reader.At(i).Has(TScanFolder::kRoot)) break;
    }
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.empty() && path.back() != sep) path += sep;
        path.append(*it);
    }
    return path;
}

}  // namespace

TImportedScan CopyScan(const TScanReader& reader, TScanRef folder, std::string_view key) {
    const TScanFolder* top = reader.Folder(folder);
    if (!top) throw Exception("The scan of the folder is not held any more");
    const TScanTree& source = reader.Tree();
    TImportedScan scan;
    scan.Tree = std::make_unique<TScanTree>(source.Separator(), source.CaseSensitive());
    scan.Path = FullPathOf(reader, folder.Index, source.Separator());
    scan.Key = std::string(key);
    TScanTreeBuilder builder(*scan.Tree, scan.Path, scan.Key);
    // A folder not read (or gone when it was to be read) is written as one that could not be read.
    auto status = [](const TScanFolder& f) {
        return !f.Has(TScanFolder::kScanned) || f.Has(TScanFolder::kMissing) ? TDirStatus::Failed : f.ListingStatus();
    };
    auto files = [&](const TScanFolder& f) {
        const TScanFile* file = f.Files();
        const TScanLinkKey* links = f.Links();
        std::uint32_t link = 0;
        for (std::uint32_t i = 0; i < f.FileCount; ++i) {
            builder.AddFile(f.FileName(file[i]), file[i].Size, file[i].Allocated, file[i].LastWriteTime,
                            file[i].Attributes);
            while (link < f.LinkCount && links[link].File < i) ++link;
            if (link < f.LinkCount && links[link].File == i)
                builder.SetLinkKey(links[link].Key, links[link].Device, links[link].Links);
        }
        ++scan.Folders;
        scan.Files += f.FileCount;
    };
    // Depth first with a stack of its own: each level holds the sub-folder to copy next.
    std::vector<std::uint32_t> next{top->FirstChild};
    std::vector<const TScanFolder*> open{top};
    files(*top);
    while (!next.empty()) {
        const std::uint32_t c = next.back();
        if (c == TScanFolder::kNone) {
            next.pop_back();
            if (open.size() > 1) builder.CloseFolder(status(*open.back()));
            open.pop_back();
            continue;
        }
        const TScanFolder& child = reader.At(c);
        next.back() = child.NextSibling;
        if (child.Has(TScanFolder::kLink)) {  // listed, never entered
            builder.OpenFolder(reader.Name(c), child.LastWriteTime, child.Attributes | faReparsePoint);
            builder.CloseFolder();
            continue;
        }
        builder.OpenFolder(reader.Name(c), child.LastWriteTime, child.Attributes | faDirectory);
        files(child);
        next.push_back(child.FirstChild);
        open.push_back(&child);
    }
    scan.Root = builder.Finish(status(*top));
    if (!scan.Root) throw Exception("The scan of the folder does not fit in memory");
    return scan;
}

TScanKeeper::TScanKeeper(TFolderSizeService& service, std::unique_ptr<TScanHistory> history, std::string progVer,
                         std::function<void(const std::string&)> warn, std::int64_t minInterval)
    : FService(service),
      FHistory(std::move(history)),
      FProgVer(std::move(progVer)),
      FWarn(std::move(warn)),
      FMinInterval(minInterval) {
    FThread = std::thread([this] { Run(); });
    FListener = FService.AddWalkListener([this](const TFolderWalkCompleted& walk) { Completed(walk); });
}

TScanKeeper::~TScanKeeper() {
    FService.RemoveWalkListener(FListener);  // no call of Completed runs after this
    {
        std::lock_guard lock(FLock);
        FStop = true;
        FWanted.clear();
    }
    FWake.notify_all();
    FThread.join();
}

bool TScanKeeper::Idle() const {
    std::lock_guard lock(FLock);
    return FWanted.empty() && !FWriting;
}

// On a walk's thread: only a note of what to keep.
void TScanKeeper::Completed(const TFolderWalkCompleted& walk) {
    if (!FEnabled) return;
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    {
        std::lock_guard lock(FLock);
        // A root walked again before its scan was written is written once, as it is then.
        auto same = std::find_if(FWanted.begin(), FWanted.end(), [&](const TWanted& w) { return w.Key == walk.Key; });
        if (same != FWanted.end())
            same->Timestamp = now;
        else
            FWanted.push_back({walk.Key, now});
    }
    FWake.notify_one();
}

void TScanKeeper::Run() {
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [&] { return FStop || !FWanted.empty(); });
        if (FStop) return;
        const TWanted wanted = std::move(FWanted.front());
        FWanted.pop_front();
        FWriting = true;
        lock.unlock();
        Keep(wanted);
        lock.lock();
        FWriting = false;
    }
}

void TScanKeeper::Keep(const TWanted& wanted) {
    // The keeper's thread alone reads and writes FLastKept.
    if (const auto last = FLastKept.find(wanted.Key);
        last != FLastKept.end() && wanted.Timestamp >= last->second && wanted.Timestamp - last->second < FMinInterval)
        return;
    std::string message;
    try {
        TImportedScan copy;
        {
            const TScanReader reader(FService.ScanTree());
            const TScanRef root = reader.Find(wanted.Key);
            if (!root) return;  // dropped from the tree since (the cache was cleared, or the folder went)
            copy = CopyScan(reader, root, wanted.Key);
        }
        TScanFileInfo info;
        info.ProgVer = FProgVer;
        info.Timestamp = wanted.Timestamp;
        const TScanReader reader(*copy.Tree);
        message = FHistory->AddOrWarnOnce(reader, copy.Root, wanted.Key, info);
        if (message.empty()) FLastKept[wanted.Key] = wanted.Timestamp;
    } catch (const std::exception& e) {
        message = std::string("The scan could not be kept in the history. ") + e.what();
    }
    if (!message.empty() && FWarn) FWarn(message);
}
