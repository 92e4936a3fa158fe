// The folder walk behind TFolderSizeService. Each folder is one task: its own entries come from the scan
// tree when the tree holds them fresh, else from one directory read (which goes into the tree); its
// matching files are summed, and each sub-folder is taken from the cache or the tree when its whole tree
// is known, or becomes a task of its own. A folder's totals are final when its own entries and all its
// sub-folders are done; the thread that finishes last stores them, verifies the folder in the tree and
// hands the totals up. So the sums, the cache entries and the tree are those of a plain depth-first walk,
// whatever the order in which the threads meet the folders.
//
// Hard links. Where the listing counts a file's names (POSIX), a file with several has a link key and each
// tree counts it once (CountLinksOnce). The Windows listing gives each file's id but no count, so a root
// read from the disk notes the ids of its files (TIdRecord) and, at its end, looks for an id met twice:
// none (the usual case) costs one sort. Repeats join the service's known ids (TLinkedFileIds), which every
// later listing of the volume keys like POSIX links; the folders holding them are marked changed, and the
// root is walked once more before it is reported: that pass re-reads just those folders and takes the
// rest from the tree or the cache, so the reported figures, the cache and the tree count the file once.
// The tree keeps each file's id, so a sub-folder taken from it (walked earlier, or asked for in the same
// request) has its ids compared too; without the tree a root's ids go on to the roots of the request that
// hold it, so a folder asked for with its rows still finds names split between them. Limits: a root answered whole by
// the cache or the tree is not compared again, and without the tree (over its budget) sub-folders answered by the cache
// are not compared, so a file whose names lie in folders totalled apart is counted once only from the next walk that
// reads them in one root.
//
// One walk serves one synchronous total (a root, the caller waiting) or one asynchronous request (a root
// per folder asked for, reporting through the job's callbacks).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

#include "platform/CheckedMath.h"
#include "platform/ErrorMode.h"
#include "platform/Exception.h"
#include "shell/FolderSize.h"
#include "shell/FolderSizeMask.h"

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto kProgressStep = std::chrono::milliseconds(100);
constexpr int kStopCheckEntries = 64;        // a listing looks for a cancel this often
constexpr std::size_t kKeptListing = 65536;  // a thread keeps room for this many files between listings

void AddTotals(TFolderTotals& to, std::int64_t size, std::int64_t used, std::int64_t count) {
    to.Size = CheckedAdd(to.Size, size);
    to.Used = CheckedAdd(to.Used, used);
    to.Count = CheckedAdd(to.Count, count);
}

std::string MessageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

// A file of a root whose listing gave an id but no count of names, noted while the root is walked.
struct TIdSeen {
    std::uint64_t Id;
    std::uint32_t Folder;  // its folder's index in TIdRecord::Folders
};
static_assert(sizeof(TIdSeen) == 16, "an id noted costs 16 bytes");

// The ids met in a root's tree, with the keys of the folders holding them.
struct TIdRecord {
    std::vector<TIdSeen> Ids;
    std::vector<std::string> Folders;

    void Add(std::string_view folder, const std::vector<std::uint64_t>& ids) {
        const auto index = static_cast<std::uint32_t>(Folders.size());
        Folders.emplace_back(folder);
        for (std::uint64_t id : ids) Ids.push_back({id, index});
    }
    void Append(const TIdRecord& other) {
        const auto offset = static_cast<std::uint32_t>(Folders.size());
        Folders.insert(Folders.end(), other.Folders.begin(), other.Folders.end());
        for (const TIdSeen& seen : other.Ids) Ids.push_back({seen.Id, seen.Folder + offset});
    }
    // Takes out the ids met more than once: returns them, and adds the keys of the folders holding them.
    std::vector<std::uint64_t> TakeRepeats(std::vector<std::string>& holders) {
        std::sort(Ids.begin(), Ids.end(), [](const TIdSeen& a, const TIdSeen& b) { return a.Id < b.Id; });
        std::vector<std::uint64_t> repeated;
        std::vector<bool> holds(Folders.size());
        std::size_t kept = 0;
        for (std::size_t i = 0, j; i < Ids.size(); i = j) {
            for (j = i + 1; j < Ids.size() && Ids[j].Id == Ids[i].Id;) ++j;
            if (j - i == 1) {
                Ids[kept++] = Ids[i];
                continue;
            }
            repeated.push_back(Ids[i].Id);
            for (std::size_t k = i; k < j; ++k) holds[Ids[k].Folder] = true;
        }
        Ids.resize(kept);
        for (std::size_t f = 0; f < Folders.size(); ++f)
            if (holds[f]) holders.push_back(Folders[f]);
        return repeated;
    }
};

}  // namespace

// One folder asked for.
struct TWalkRoot {
    std::size_t Index = 0;
    std::string Folder;  // as asked for
    std::int64_t Cluster = 0;
    std::atomic<bool> Stop{false};  // an error in its tree: the rest of it is not read
    std::exception_ptr Error;       // the first such error, under TWalk::Lock
    TFolderSizeResult Result;
    // A root that holds other roots of the request starts when they are done, and then finds their trees
    // read: two threads never list the same folder for one request.
    TWalkNode* Start = nullptr;              // its node until it starts
    std::atomic<std::size_t> InsideLeft{0};  // roots inside it not yet done
    std::vector<TWalkRoot*> Around;          // roots that hold this one
    std::uint64_t Volume = 0;                // VolumeKeyOf its key
    std::atomic<bool> Noting{true};          // its ids are noted (false on its second pass)
    std::mutex IdLock;
    TIdRecord Ids;  // its ids so far, and those of the roots inside it
};

struct TWalkNode {
    TWalkNode(TWalkNode* parent, TWalkRoot* root, std::string path, std::string key, TScanRef tree)
        : Parent(parent), Root(root), Path(std::move(path)), Key(std::move(key)), Tree(tree) {}
    TWalkNode* const Parent;
    TWalkRoot* const Root;
    const std::string Path;  // for the listing, with a trailing separator
    const std::string Key;
    TScanRef Tree;  // the folder in the scan tree, when it holds it
    std::atomic<std::int64_t> Size{0}, Used{0}, Count{0};
    std::atomic<int> Pending{1};          // its own entries plus each sub-folder walked for it
    std::atomic<bool> Incomplete{false};  // stopped by an error or a cancel: nothing is stored
    std::atomic<bool> Partial{false};     // some folder of its tree was read only in part
    std::atomic<bool> Unverified{false};  // some folder of its tree is not held fresh by the scan tree
    bool Missing = false;                 // gone before it could be listed: no cache entry
    bool Answered = false;                // a root answered whole by the cache or the tree
    bool Known = true;                    // the tree may hold its entries (false: new to the tree)
    bool InstalledVerified = false;       // its listing went into the tree verified: it has no sub-folders
    std::uint64_t ListedAt = 0;           // the cache's generation before its entries were read
    std::mutex LinkLock;                  // for Links while sub-folders finish
    std::vector<TLinkSeen> Links;         // matching hard-linked files of its tree, repeats until it is done
};

class TWalkPool {
public:
    TWalkPool(int threads, const std::function<void(int)>& onStart) {
        // A thread that cannot be started leaves no running ones behind (a joinable thread destroyed
        // unjoined would end the program).
        try {
            for (int i = 0; i < threads; ++i) {
                if (onStart) onStart(i);
                FThreads.emplace_back([this] { Run(); });
            }
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~TWalkPool() { Stop(); }
    void Push(TWalk* walk, TWalkNode* node) {
        {
            std::lock_guard lock(FLock);
            FTasks.emplace_back(walk, node);
        }
        FWake.notify_one();
    }

private:
    std::mutex FLock;
    std::condition_variable FWake;
    std::vector<std::pair<TWalk*, TWalkNode*>> FTasks;  // taken from the back: depth first, few folders open
    bool FStop = false;
    std::vector<std::thread> FThreads;

    void Run();
    // Runs the tasks still queued, then ends the threads.
    void Stop() {
        {
            std::lock_guard lock(FLock);
            FStop = true;
        }
        FWake.notify_all();
        for (auto& t : FThreads) t.join();
        FThreads.clear();
    }
};

struct TWalk {
    TWalk(TFolderSizeService& service, std::string_view mask, TScanTree* tree)
        : Service(service),
          Lister(service.FLister),
          Cache(service.FCache),
          Tree(tree),
          Mask(mask),
          Separator(service.FLister.Separator()),
          CaseSensitive(service.FLister.CaseSensitive()) {}

    TFolderSizeService& Service;
    TDirLister& Lister;
    TFolderSizeCache& Cache;
    TScanTree* const Tree;  // nullptr: per-folder totals only
    const TFolderSizeMask Mask;
    const char Separator;
    const bool CaseSensitive;

    TWalkPool* Pool = nullptr;                 // worker threads, or
    std::vector<TWalkNode*>* Stack = nullptr;  // the calling thread's own task list
    std::atomic<bool> Cancelled{false};
    std::vector<std::unique_ptr<TWalkRoot>> Roots;
    std::atomic<std::size_t> RootsLeft{0};
    TFolderSizeJob* Job = nullptr;  // an asynchronous request

    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;

    std::atomic<std::int64_t> FilesRead{0}, FoldersRead{0};
    std::atomic<TClock::rep> LastProgress{0};
    std::mutex CurrentLock;
    std::string Current;

    bool Stopping(const TWalkNode* node) const {
        return Cancelled.load(std::memory_order_relaxed) || node->Root->Stop.load(std::memory_order_relaxed);
    }

    void Fail(TWalkNode* node, std::exception_ptr error) {
        TWalkRoot& root = *node->Root;
        std::lock_guard lock(Lock);
        if (!root.Error) root.Error = error;
        root.Stop = true;
    }

    void Spawn(TWalkNode* node) {
        if (Pool)
            Pool->Push(this, node);
        else
            Stack->push_back(node);
    }

    std::int64_t Allocated(const TWalkNode* node, std::int64_t size) const {
        const std::int64_t cluster = node->Root->Cluster;
        if (size <= 0 || cluster <= 0) return 0;
        return CheckedAdd(size, cluster - size % cluster);
    }

    void AppendKeyName(std::string& key, std::string_view name) const {
        if (CaseSensitive)
            key.append(name);
        else
            AppendLowerCase(key, name);
    }

    // Adds totals to a node's; an overflow stops the walk of that root with the error.
    void AddTo(TWalkNode* node, const TFolderTotals& totals) {
        try {
            CheckedAddTo(node->Size, totals.Size);
            CheckedAddTo(node->Used, totals.Used);
            CheckedAddTo(node->Count, totals.Count);
        } catch (...) {
            node->Incomplete = true;
            Fail(node, std::current_exception());
        }
        if (totals.Partial) node->Partial = true;
    }

    // Reports progress when the last report is at least kProgressStep old.
    void Progress() {
        if (!Job || !Job->FCallbacks.OnProgress) return;
        const TClock::rep now = TClock::now().time_since_epoch().count();
        TClock::rep last = LastProgress.load(std::memory_order_relaxed);
        if (now - last < std::chrono::duration_cast<TClock::duration>(kProgressStep).count()) return;
        if (!LastProgress.compare_exchange_strong(last, now)) return;  // another thread reports this round
        TFolderSizeProgress p;
        p.Files = FilesRead.load();
        p.Folders = FoldersRead.load();
        {
            std::lock_guard lock(CurrentLock);
            p.Folder = Current;
        }
        Job->Call([&](TFolderSizeCallbacks& c) { c.OnProgress(p); });
    }

    struct TChild {
        std::string Name;
        TScanRef Tree;
        bool Known = false;  // the tree holds it scanned: worth asking before the disk
    };

    // A root: gone, cached or held fresh by the tree answers it without a walk. Also finds or makes its
    // folder in the tree.
    bool StartRoot(TWalkNode* node) {
        TWalkRoot& root = *node->Root;
        const char letter = TFolderSizeService::DriveLetterOf(node->Key);
        root.Cluster = letter ? Service.ClusterSize(letter) : 0;
        root.Volume = VolumeKeyOf(node->Key);
        if (node->Path.empty() || !Lister.FolderExists(node->Path)) {
            node->Missing = true;
            return true;
        }
        TFolderTotals totals;
        if (Mask.Cacheable() && Cache.Lookup(node->Key, Mask.Lower(), totals)) {
            node->Answered = true;
            AddTo(node, totals);
            return true;
        }
        if (!Tree) return false;
        node->Tree = Tree->AddRoot(node->Path, node->Key);
        if (!node->Tree) return false;
        switch (Service.FromTree(
            node->Tree, node->Key, Mask, true, [&] { return Stopping(node); }, totals)) {
            case TFolderSizeService::TTreeAnswer::Done:
                node->Answered = true;
                AddTo(node, totals);
                return true;
            case TFolderSizeService::TTreeAnswer::Stopped:
                node->Incomplete = true;
                return true;
            default:
                return false;
        }
    }

    // The folder's own entries from the tree, when it holds them fresh.
    bool ReadFromTree(TWalkNode* node, TFolderTotals& own, std::vector<TChild>& children,
                      std::vector<TLinkSeen>& links) {
        if (!Tree || !node->Tree || !node->Known) return false;
        const TFolderSizeStamps stamps = Cache.Stamps(node->Key);
        TScanReader reader(*Tree);
        const TScanFolder* f = reader.Folder(node->Tree);
        if (!f || !f->Has(TScanFolder::kScanned) || f->Has(TScanFolder::kMissing) ||
            stamps.ListingStaleAt > f->ListedAt)
            return false;
        const TDirStatus status = f->ListingStatus();
        if (status != TDirStatus::Ok) node->Partial = true;
        const TScanFile* files = f->Files();
        for (std::uint32_t i = 0; i < f->FileCount; ++i)
            if (Mask.Matches(f->FileName(files[i]))) AddTotals(own, files[i].Size, files[i].Allocated, 1);
        const TScanLinkKey* keys = f->Links();
        for (std::uint32_t i = 0; i < f->LinkCount; ++i) {
            const TScanFile& file = files[keys[i].File];
            if (Mask.Matches(f->FileName(file)))
                links.push_back({keys[i].Device, keys[i].Key, file.Size, file.Allocated});
        }
        if (node->Root->Noting.load(std::memory_order_relaxed)) {
            TIdRecord found;
            NoteIds(*node->Root, *f, node->Key, found);
            Note(*node->Root, found);
        }
        for (std::uint32_t c = f->FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling) {
            if (reader.At(c).Has(TScanFolder::kLink)) continue;
            children.push_back({std::string(reader.Name(c)), reader.RefOf(c), reader.At(c).Has(TScanFolder::kScanned)});
        }
        return true;
    }

    // The folder's own entries from one directory read, kept in the tree when it keeps files.
    void ReadFromDisk(TWalkNode* node, TFolderTotals& own, std::vector<TChild>& children,
                      std::vector<TLinkSeen>& links) {
        const bool keep = Tree && node->Tree;
        thread_local TScanListing listing;
        listing.Clear();
        TWalkRoot& root = *node->Root;
        const bool note = root.Noting.load(std::memory_order_relaxed);
        thread_local std::vector<std::uint64_t> ids;  // files with an id but no count of names
        ids.clear();
        std::int64_t files = 0;
        int seen = 0;
        if (Job) {
            std::lock_guard lock(CurrentLock);
            Current = node->Path;
        }
        const TDirStatus status = Lister.List(node->Path, "*", [&](const TDirEntry& e) {
            if (++seen % kStopCheckEntries == 0) {
                if (Stopping(node)) return false;
                FilesRead.fetch_add(files, std::memory_order_relaxed);
                files = 0;
                Progress();
            }
            const std::string_view name = e.Name();
            if (e.IsDirectory()) {
                // Junctions and links to folders hold no space of their own and may lead back up.
                if (IsFolderToEnter(e)) children.push_back({std::string(name), {}});
                if (!keep) return true;
                // A sub-folder's time and attributes are kept where the listing has them anyway: asking
                // the system for them folder by folder would slow the walk for no total.
                if (e.DetailsInListing())
                    listing.AddFolder(name, e.LastWriteTime(), e.Attributes());
                else
                    listing.AddFolder(name, 0, faDirectory | (e.IsReparsePoint() ? faReparsePoint : 0u));
                return true;
            }
            ++files;
            const bool match = Mask.MatchesAll() || Mask.Matches(name);
            if (!keep && !match) return true;  // refused by name: its size is never read
            const std::int64_t size = e.Size();
            const std::uint32_t attributes = e.Attributes();
            // A file whose data is off the disk (a cloud placeholder) takes no space on it.
            const std::int64_t used = IsDataOffDisk(attributes) ? 0 : Allocated(node, size);
            std::uint64_t link = e.LinkId();  // after Size: POSIX reads both with one request
            std::uint64_t device = 0;
            std::uint32_t names = 0;
            std::uint64_t id = 0;
            if (link) {
                device = e.LinkDevice();
                names = e.LinkCount();
            } else if ((id = e.FileId()) != 0) {
                // An id without a count of names: keyed like a POSIX link once known to have several
                // names (their number unknown), else noted to find an id met twice in the root.
                if (Service.FLinkedIds.Contains(root.Volume, id))
                    link = id, device = root.Volume;
                else if (note)
                    ids.push_back(id);
            }
            if (keep) {
                listing.AddFile(name, size, used, e.LastWriteTime(), attributes);
                if (id) listing.SetFileId(id);
                if (link) listing.SetLinkKey(link, device, names);
            }
            if (match) {
                AddTotals(own, size, used, 1);
                if (link) links.push_back({device, link, size, used});
            }
            return true;
        });
        FilesRead.fetch_add(files, std::memory_order_relaxed);
        FoldersRead.fetch_add(1, std::memory_order_relaxed);
        Progress();
        // A listing cut short by a cancel is neither counted nor kept.
        if (Stopping(node)) {
            node->Incomplete = true;
            return;
        }
        // Vanished since its parent was listed: totals 0 and no entry. A folder that could not be read
        // (or only in part, or whose path is too long to open) keeps what was read and says so.
        if (status == TDirStatus::NotFound) {
            node->Missing = true;
            own = {};
            children.clear();
            links.clear();
            if (keep) Tree->MarkMissing(node->Tree);
            return;
        }
        if (status != TDirStatus::Ok) node->Partial = true;
        if (!ids.empty()) {
            Service.FFileIdsSeen.store(true, std::memory_order_relaxed);
            std::lock_guard lock(root.IdLock);
            root.Ids.Add(node->Key, ids);
            if (ids.size() > kKeptListing) ids = {};
        }
        if (keep) {
            TScanInstall done = Tree->Install(node->Tree, node->Key, listing, status, node->ListedAt);
            if (listing.FileCount() > kKeptListing) listing = TScanListing();  // a huge folder's room goes
            node->InstalledVerified = done.Verified;
            if (done.Installed && done.Children.size() == children.size()) {
                for (std::size_t i = 0; i < children.size(); ++i) {
                    children[i].Tree = done.Children[i];
                    children[i].Known = done.Known[i];
                }
                return;
            }
        }
        if (Tree) node->Unverified = true;
    }

    // Notes the ids of a folder's files held by the tree that are not known to be linked.
    void NoteIds(const TWalkRoot& root, const TScanFolder& f, const std::string& key, TIdRecord& found) const {
        const std::uint64_t* fileIds = f.FileIds();
        if (!fileIds) return;
        thread_local std::vector<std::uint64_t> ids;
        ids.clear();
        for (std::uint32_t i = 0; i < f.FileCount; ++i)
            if (fileIds[i] && !Service.FLinkedIds.Contains(root.Volume, fileIds[i])) ids.push_back(fileIds[i]);
        if (!ids.empty()) found.Add(key, ids);
    }
    void Note(TWalkRoot& root, const TIdRecord& found) {
        if (found.Ids.empty()) return;
        std::lock_guard lock(root.IdLock);
        root.Ids.Append(found);
    }

    // A sub-folder's tree taken whole from the scan tree (read by an earlier walk): its files' ids are noted
    // as if read now, so that a name there and one read here are found to be one file. Costs nothing where
    // no listing has given ids (POSIX).
    void NoteTreeIds(TWalkRoot& root, TScanRef ref, const std::string& key) {
        if (!root.Noting.load(std::memory_order_relaxed) || !Service.FFileIdsSeen.load(std::memory_order_relaxed))
            return;
        TIdRecord found;
        {
            TScanReader reader(*Tree);
            if (!reader.Folder(ref)) return;
            std::vector<std::pair<std::uint32_t, std::string>> stack{{ref.Index, key}};  // no recursion
            while (!stack.empty()) {
                auto [index, at] = std::move(stack.back());
                stack.pop_back();
                const TScanFolder& f = reader.At(index);
                NoteIds(root, f, at, found);
                for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling) {
                    const TScanFolder& child = reader.At(c);
                    if (child.Has(TScanFolder::kLink) || child.Has(TScanFolder::kMissing)) continue;
                    std::string childKey = at;
                    AppendKeyName(childKey, std::string_view(f.Names() + child.NameOffset, child.NameLength));
                    childKey += Separator;
                    stack.emplace_back(c, std::move(childKey));
                }
            }
        }
        Note(root, found);
    }

    // Adds a finished part of a node's tree: its totals and its hard-linked files.
    void AddPart(TWalkNode* node, const TFolderTotals& totals, const std::vector<TLinkSeen>& links) {
        AddTo(node, totals);
        if (links.empty()) return;
        std::lock_guard lock(node->LinkLock);
        node->Links.insert(node->Links.end(), links.begin(), links.end());
    }

    // A sub-folder: from the tree when it holds its whole tree fresh (or the cache when the tree keeps
    // nothing of it and its tree has no hard-linked files), else walked as a task of its own.
    void Child(TWalkNode* node, TChild& child) {
        std::string key;
        key.reserve(node->Key.size() + child.Name.size() + 1);
        key.append(node->Key);
        AppendKeyName(key, child.Name);
        key += Separator;
        TFolderTotals totals;
        if (Tree && child.Tree) {
            // A sub-folder new to the tree is read at once: asking the tree first would only cost locks.
            if (!child.Known) {
                Walk(node, child, std::move(key), false);
                return;
            }
            std::vector<TLinkSeen> links;
            switch (Service.FromTree(
                child.Tree, key, Mask, true, [&] { return Stopping(node); }, totals, &links)) {
                case TFolderSizeService::TTreeAnswer::Done:
                    AddPart(node, totals, links);
                    NoteTreeIds(*node->Root, child.Tree, key);
                    return;
                case TFolderSizeService::TTreeAnswer::Stopped:
                    node->Incomplete = true;
                    return;
                default:
                    break;
            }
        } else if (Mask.Cacheable() && Cache.Lookup(key, Mask.Lower(), totals) && !totals.Links) {
            AddTo(node, totals);
            if (Tree) node->Unverified = true;
            return;
        }
        Walk(node, child, std::move(key), child.Known);
    }

    // A sub-folder as a task of its own.
    void Walk(TWalkNode* node, const TChild& child, std::string key, bool known) {
        std::string path;
        path.reserve(node->Path.size() + child.Name.size() + 1);
        path.append(node->Path).append(child.Name) += Separator;
        auto next = std::make_unique<TWalkNode>(node, node->Root, std::move(path), std::move(key), child.Tree);
        next->Known = known;
        node->Pending.fetch_add(1, std::memory_order_relaxed);
        try {
            Spawn(next.get());
        } catch (...) {
            node->Pending.fetch_sub(1, std::memory_order_relaxed);
            throw;
        }
        next.release();
    }

    // One folder. The node must not be touched after Complete.
    void Process(TWalkNode* node) {
        if (Stopping(node)) {
            node->Incomplete = true;
            Complete(node);
            return;
        }
        node->ListedAt = Cache.Generation();
        try {
            if (node->Parent || !StartRoot(node)) {
                TFolderTotals own;
                std::vector<TChild> children;
                std::vector<TLinkSeen> links;
                if (!ReadFromTree(node, own, children, links)) ReadFromDisk(node, own, children, links);
                if (!node->Incomplete) {
                    AddPart(node, own, links);
                    for (auto& child : children) {
                        if (Stopping(node)) {
                            node->Incomplete = true;
                            break;
                        }
                        Child(node, child);
                    }
                }
            }
        } catch (...) {
            node->Incomplete = true;
            Fail(node, std::current_exception());
        }
        Complete(node);
    }

    // Ends one part of a node's work; the last part stores its totals and passes them up.
    void Complete(TWalkNode* node) {
        for (;;) {
            if (node->Pending.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
            TFolderTotals totals{node->Size.load(), node->Used.load(), node->Count.load(), node->Partial.load()};
            // Every part is in: nothing else touches the node's links now.
            CountLinksOnce(node->Links, totals);
            bool incomplete = node->Incomplete.load();
            bool fresh = true;     // nothing changed in its tree while it was read
            bool verified = true;  // the tree holds its whole tree fresh
            if (!incomplete && !node->Missing && !node->Answered) {
                try {
                    fresh = Mask.Cacheable() ? Cache.Store(node->Key, Mask.Lower(), totals, node->ListedAt)
                                             : Cache.Stamps(node->Key).TotalsStaleAt <= node->ListedAt;
                    verified = fresh && Tree && node->Tree && !node->Unverified.load() &&
                               (node->InstalledVerified || Tree->Verify(node->Tree, node->ListedAt));
                } catch (...) {
                    incomplete = true;
                    Fail(node, std::current_exception());
                }
            }
            TWalkNode* parent = node->Parent;
            if (!parent) {
                if (CountAgain(node, incomplete)) return;  // walked again: it completes once more
                RootDone(node, totals, incomplete, fresh, verified && !incomplete && !node->Missing && !node->Answered);
                delete node;  // the walk itself may be gone now: touch nothing of it
                return;
            }
            AddPart(parent, totals, node->Links);
            if (incomplete) parent->Incomplete = true;
            if (!verified) parent->Unverified = true;
            delete node;
            node = parent;
        }
    }

    // At a root's first end: compares the ids met in its tree (and in the roots inside it). An id met twice
    // is a file counted twice: it joins the known ids, the folders holding it are marked changed (their
    // ancestors' totals with them), and the root is queued again. True when it was.
    bool CountAgain(TWalkNode* node, bool incomplete) {
        TWalkRoot& root = *node->Root;
        if (!root.Noting.exchange(false)) return false;
        TIdRecord record;
        {
            std::lock_guard lock(root.IdLock);
            record = std::move(root.Ids);
        }
        if (record.Ids.empty()) return false;
        std::vector<std::string> holders;
        std::vector<std::uint64_t> repeated;
        if (!incomplete && !node->Missing && !node->Answered && !Stopping(node)) repeated = record.TakeRepeats(holders);
        // Without the tree, the roots that hold this one take it from the cache and would not see its ids
        // (with the tree they note them from it, and must not see them twice).
        if (!Tree || !Tree->KeepsFiles())
            for (TWalkRoot* outer : root.Around) {
                std::lock_guard lock(outer->IdLock);
                outer->Ids.Append(record);
            }
        if (repeated.empty()) return false;
        try {
            Service.FLinkedIds.Add(root.Volume, repeated);
            for (const std::string& key : holders) Service.InvalidateFolderSize(key, true);
        } catch (...) {
            Fail(node, std::current_exception());
            return false;
        }
        // The second pass starts as the first did.
        node->Size = 0;
        node->Used = 0;
        node->Count = 0;
        node->Pending = 1;
        node->Incomplete = false;
        node->Partial = false;
        node->Unverified = false;
        node->Known = true;
        node->InstalledVerified = false;
        node->Links.clear();
        Spawn(node);
        return true;
    }

    // walked: the root was read from the disk (not answered whole) and the tree now holds it verified.
    void RootDone(TWalkNode* node, const TFolderTotals& totals, bool incomplete, bool fresh, bool walked) {
        TWalkRoot& root = *node->Root;
        TFolderSizeResult& r = root.Result;
        r.Index = root.Index;
        r.Folder = root.Folder;
        bool failed;
        {
            // The error stays with the root: a copy released after the end is signalled would race
            // with the waiting caller, who may rethrow and free it.
            std::lock_guard lock(Lock);
            failed = root.Error != nullptr;
            if (failed) r.Error = MessageOf(root.Error);
        }
        bool report = true;
        if (failed) {
            r.Status = TFolderSizeStatus::Failed;
        } else if (incomplete) {
            report = false;  // cancelled: unknown
        } else if (node->Missing) {
            r.Status = TFolderSizeStatus::NotFound;
            r.Totals = TFolderTotals{};
        } else {
            r.Totals = totals;
            r.Status = !fresh           ? TFolderSizeStatus::Changed
                       : totals.Partial ? TFolderSizeStatus::Partial
                                        : TFolderSizeStatus::Complete;
        }
        if (walked && r.Status == TFolderSizeStatus::Complete)
            Service.WalkCompleted(TFolderWalkCompleted{root.Folder, node->Key, totals});
        if (Job && report)
            Job->Call([&](TFolderSizeCallbacks& c) {
                if (c.OnFolder) c.OnFolder(r);
            });
        for (TWalkRoot* outer : root.Around)
            if (outer->InsideLeft.fetch_sub(1, std::memory_order_acq_rel) == 1) Spawn(outer->Start);
        if (RootsLeft.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
        if (Job) {
            Job->End(Cancelled ? TFolderSizeEnd::Cancelled : TFolderSizeEnd::Finished);
            return;
        }
        std::lock_guard lock(Lock);
        Finished = true;
        Done.notify_all();
    }

    TWalkNode* AddRoot(std::size_t index, std::string folder, std::string path, std::string key) {
        auto root = std::make_unique<TWalkRoot>();
        root->Index = index;
        root->Folder = std::move(folder);
        root->Result.Index = index;
        root->Result.Folder = root->Folder;
        auto* node = new TWalkNode(nullptr, root.get(), std::move(path), std::move(key), {});
        Roots.push_back(std::move(root));
        RootsLeft.fetch_add(1);
        return node;
    }

    // The roots that can start now; each other one waits for the roots inside it (a root inside another
    // is one whose key extends the other's, or the same folder asked for again later).
    std::vector<TWalkNode*> Ready(const std::vector<TWalkNode*>& nodes) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            TWalkRoot& inner = *nodes[i]->Root;
            const std::string& key = nodes[i]->Key;
            if (key.empty()) continue;
            for (std::size_t j = 0; j < nodes.size(); ++j) {
                const std::string& outer = nodes[j]->Key;
                if (j == i || outer.empty() || !key.starts_with(outer)) continue;
                if (key.size() == outer.size() && j < i) continue;
                inner.Around.push_back(nodes[j]->Root);
                nodes[j]->Root->InsideLeft.fetch_add(1, std::memory_order_relaxed);
            }
        }
        std::vector<TWalkNode*> ready;
        for (TWalkNode* node : nodes) {
            node->Root->Start = node;
            if (node->Root->InsideLeft.load(std::memory_order_relaxed) == 0) ready.push_back(node);
        }
        return ready;
    }

    // Runs the queued roots on the calling thread.
    void RunHere(std::vector<TWalkNode*> roots) {
        std::vector<TWalkNode*> stack(roots.rbegin(), roots.rend());
        Stack = &stack;
        while (!stack.empty()) {
            TWalkNode* node = stack.back();
            stack.pop_back();
            Process(node);
        }
    }
};

void TWalkPool::Run() {
    TCriticalErrorScope quiet;  // this thread's own error mode
    for (;;) {
        std::pair<TWalk*, TWalkNode*> task;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [&] { return FStop || !FTasks.empty(); });
            if (FTasks.empty()) return;
            task = FTasks.back();
            FTasks.pop_back();
        }
        task.first->Process(task.second);
    }
}

// --- the service's walks

TFolderSizeService::TFolderSizeService(TDirLister& lister, TVolumeQueries& volumes)
    : FLister(lister), FClusters(volumes), FTree(lister.Separator(), lister.CaseSensitive()) {}

TFolderSizeService::~TFolderSizeService() {
    std::vector<std::shared_ptr<TFolderSizeJob>> jobs;
    {
        std::lock_guard lock(FJobsLock);
        jobs.swap(FJobs);
    }
    for (auto& job : jobs) job->Cancel();
    for (auto& job : jobs) job->Wait(std::chrono::milliseconds::max());
}

void TFolderSizeService::SetThreads(int threads) {
    std::lock_guard lock(FPoolLock);
    if (threads == FThreads) return;
    FThreads = std::clamp(threads, 0, kMaxThreads);
    FPool.reset();
}

int TFolderSizeService::Threads() const {
    std::lock_guard lock(FPoolLock);
    return FThreads;
}

TWalkPool* TFolderSizeService::Pool(bool forJob) {
    std::lock_guard lock(FPoolLock);
    int threads = FThreads > 0 ? FThreads : static_cast<int>(std::thread::hardware_concurrency());
    if (threads <= 1 && !forJob) return nullptr;
    threads = std::max(threads, 1);
    // One thread is enough for a request when walks run on the calling thread; a pool made for a
    // request serves the synchronous walks as well.
    if (!FPool) {
        try {
            FPool = std::make_unique<TWalkPool>(threads, OnStartThread);
            FPoolThreads = threads;
        } catch (const std::system_error&) {
            return nullptr;  // out of threads: this walk runs on the calling thread
        }
    }
    if (FPoolThreads <= 1 && !forJob) return nullptr;
    return FPool.get();
}

TFolderTotals TFolderSizeService::Walk(std::string path, std::string key, std::string_view mask) {
    TWalk walk(*this, mask, Tree());
    std::string folder = path;
    TWalkNode* root = walk.AddRoot(0, std::move(folder), std::move(path), std::move(key));
    walk.Pool = Pool(false);
    if (!walk.Pool) {
        walk.RunHere({root});
    } else {
        walk.Pool->Push(&walk, root);
        std::unique_lock lock(walk.Lock);
        walk.Done.wait(lock, [&] { return walk.Finished; });
    }
    const TWalkRoot& r = *walk.Roots.front();
    if (r.Error) std::rethrow_exception(r.Error);
    return r.Result.Totals;
}

int TFolderSizeService::AddWalkListener(TWalkListener listener) {
    std::lock_guard lock(FListenersLock);
    FListeners.emplace_back(++FLastListener, std::move(listener));
    return FLastListener;
}

void TFolderSizeService::RemoveWalkListener(int id) {
    std::lock_guard lock(FListenersLock);
    std::erase_if(FListeners, [id](const auto& l) { return l.first == id; });
}

void TFolderSizeService::WalkCompleted(const TFolderWalkCompleted& walk) {
    std::lock_guard lock(FListenersLock);
    for (const auto& l : FListeners) {
        // A listener's failure is its own: the walk and the other listeners go on.
        try {
            l.second(walk);
        } catch (...) {
        }
    }
}

// --- asynchronous requests

TFolderSizeJob::TFolderSizeJob() = default;
TFolderSizeJob::~TFolderSizeJob() = default;

template <typename F>
void TFolderSizeJob::Call(F&& f) {
    std::lock_guard lock(FCallbackLock);
    try {
        f(FCallbacks);
    } catch (...) {
        if (!FCallbackError) FCallbackError = std::current_exception();
    }
}

void TFolderSizeJob::End(TFolderSizeEnd end) {
    Call([&](TFolderSizeCallbacks& c) {
        if (c.OnEnd) c.OnEnd(end);
    });
    // Notified under the lock: a waiter may free the job as soon as it sees FDone.
    std::lock_guard lock(FLock);
    FDone = true;
    FEnded.notify_all();
}

void TFolderSizeJob::Cancel() {
    if (FWalk) FWalk->Cancelled = true;
}

bool TFolderSizeJob::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(FLock);
    if (timeout == std::chrono::milliseconds::max()) {
        FEnded.wait(lock, [&] { return FDone; });
        return true;
    }
    return FEnded.wait_for(lock, timeout, [&] { return FDone; });
}

bool TFolderSizeJob::Ended() const {
    std::lock_guard lock(FLock);
    return FDone;
}

std::exception_ptr TFolderSizeJob::CallbackError() const {
    std::lock_guard lock(FCallbackLock);
    return FCallbackError;
}

std::shared_ptr<TFolderSizeJob> TFolderSizeService::TotalsAsync(std::vector<std::string> folders, std::string_view mask,
                                                                TFolderSizeCallbacks callbacks) {
    std::shared_ptr<TFolderSizeJob> job(new TFolderSizeJob());
    job->FCallbacks = std::move(callbacks);
    job->FWalk = std::make_unique<TWalk>(*this, mask, Tree());
    TWalk& walk = *job->FWalk;
    walk.Job = job.get();
    std::vector<TWalkNode*> roots;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        // Only string work here: whether the folder exists is asked on a worker.
        std::string path = folders[i].empty() ? std::string() : FullFolder(folders[i]);
        std::string key = path.empty() ? std::string() : KeyOf(path);
        roots.push_back(walk.AddRoot(i, std::move(folders[i]), std::move(path), std::move(key)));
    }
    {
        // Ended requests are let go here, on the caller's thread, never on a worker inside them.
        std::lock_guard lock(FJobsLock);
        std::erase_if(FJobs, [](const auto& j) { return j->Ended(); });
        FJobs.push_back(job);
    }
    if (roots.empty()) {
        job->End(TFolderSizeEnd::Finished);
        return job;
    }
    roots = walk.Ready(roots);
    walk.Pool = Pool(true);
    if (walk.Pool) {
        for (TWalkNode* root : roots) walk.Pool->Push(&walk, root);
    } else {
        TCriticalErrorScope quiet;
        walk.RunHere(std::move(roots));  // no thread could start: the caller does the work
    }
    return job;
}
