// Totals for a mask from the scan tree: a pass over a folder's tree held in memory, storing the totals of
// every folder in it, with no directory read. A large tree is split over two threads.
#include <atomic>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/CheckedMath.h"
#include "shell/FolderSize.h"
#include "shell/FolderSizeMask.h"

namespace {

constexpr int kStopCheckFolders = 256;  // a pass looks for a cancel this often
constexpr std::size_t kBatch = 256;     // folders' totals stored under one lock of the cache

enum class TPassEnd { Done, NotFresh, Stopped };

void AddTotals(TFolderTotals& to, const TFolderTotals& add) {
    to.Size = CheckedAdd(to.Size, add.Size);
    to.Used = CheckedAdd(to.Used, add.Used);
    to.Count = CheckedAdd(to.Count, add.Count);
    if (add.Partial) to.Partial = true;
}

// One mask over trees of the scan tree, while the caller holds a reader. Run may be called from several
// threads at once.
class TTreePass {
public:
    TTreePass(const TScanReader& reader, TFolderSizeCache& cache, const TFolderSizeMask& mask, char separator,
              bool caseSensitive, const std::function<bool()>& stop)
        : FReader(reader),
          FCache(cache),
          FMask(mask),
          FSeparator(separator),
          FCaseSensitive(caseSensitive),
          FStop(stop) {
        // A mask that looks only at the extension is matched once per extension.
        if (mask.ByExtension()) {
            FByExtension.resize(reader.ExtensionCount());
            for (std::size_t id = 0; id < FByExtension.size(); ++id)
                FByExtension[id] = mask.Matches(reader.Extension(static_cast<std::uint32_t>(id)));
        }
    }

    bool Stopping() const { return FAbort.load(std::memory_order_relaxed) || (FStop && FStop()); }
    void Abort() { FAbort = true; }

    bool Matches(const TScanFolder& f, const TScanFile& file) const {
        return !FByExtension.empty() ? FByExtension[file.Extension] != 0
               : FMask.MatchesAll()  ? true
                                     : FMask.Matches(f.FileName(file));
    }

    // The matching files of one folder itself; its matching hard-linked files go to links.
    TFolderTotals Own(const TScanFolder& f, std::vector<TLinkSeen>& links) const {
        TFolderTotals t;
        if (f.ListingStatus() != TDirStatus::Ok && !f.Has(TScanFolder::kMissing)) t.Partial = true;
        const TScanFile* files = f.Files();
        for (std::uint32_t i = 0; i < f.FileCount; ++i)
            if (Matches(f, files[i])) AddTotals(t, {files[i].Size, files[i].Allocated, 1});
        const TScanLinkKey* keys = f.Links();
        for (std::uint32_t i = 0; i < f.LinkCount; ++i) {
            const TScanFile& file = files[keys[i].File];
            if (Matches(f, file)) links.push_back({keys[i].Device, keys[i].Key, file.Size, file.Allocated});
        }
        return t;
    }

    // The key of a sub-folder of the folder with that key.
    void ChildKey(std::string& key, const TScanFolder& parent, const TScanFolder& child) const {
        const std::string_view name(parent.Names() + child.NameOffset, child.NameLength);
        if (FCaseSensitive)
            key.append(name);
        else
            AppendLowerCase(key, name);
        key += FSeparator;
    }

    // A sub-folder's totals when it needs no pass: cached for this mask already (the rows are asked for
    // before their folder), and holding no hard-linked file that its parent must count once. NotFresh when
    // the tree does not hold it verified.
    std::optional<TPassEnd> Skip(const TScanFolder& child, const std::string& key, TFolderTotals& totals) const {
        if (!child.Has(TScanFolder::kMissing) && !child.Has(TScanFolder::kVerified)) return TPassEnd::NotFresh;
        if (FMask.Cacheable() && !child.Has(TScanFolder::kMissing) && FCache.Lookup(key, FMask.Lower(), totals) &&
            !totals.Links)
            return TPassEnd::Done;
        return std::nullopt;
    }

    // Stores a finished folder's totals, at once or with a batch (one lock for many folders, so that two
    // threads do not queue for the cache at every folder); false when it changed after the tree read it.
    bool Keep(const TScanFolder& f, const std::string& key, const TFolderTotals& totals,
              std::vector<TFolderSizeStore>* batch = nullptr) const {
        if (f.Has(TScanFolder::kMissing)) return true;  // a vanished folder counts nothing and gets no entry
        const std::uint64_t at = std::max(f.ListedAt, f.VerifiedAt);
        if (!FMask.Cacheable()) return FCache.Stamps(key).TotalsStaleAt <= at;
        if (!batch) return FCache.Store(key, FMask.Lower(), totals, at);
        batch->push_back({key, totals, at});
        return batch->size() < kBatch || Flush(*batch);
    }
    bool Flush(std::vector<TFolderSizeStore>& batch) const {
        const bool stored = batch.empty() || FCache.StoreAll(batch, FMask.Lower());
        batch.clear();
        return stored;
    }

    // The totals of the tree of the folder at index, whose key is key, with its matching hard-linked files
    // (each once) in links. Depth first without recursion (trees may be thousands deep).
    TPassEnd Run(std::uint32_t index, std::string key, TFolderTotals& totals, std::vector<TLinkSeen>& links) const {
        struct TFrame {
            std::uint32_t Index;
            std::uint32_t Next;  // the sub-folder to go into next
            std::size_t KeyLength;
            TFolderTotals Totals;
            std::vector<TLinkSeen> Links;
        };
        std::vector<TFrame> stack;
        std::vector<TFolderSizeStore> batch;
        auto enter = [&](std::uint32_t i) {
            const TScanFolder& f = FReader.At(i);
            std::vector<TLinkSeen> own;
            TFolderTotals t = Own(f, own);
            stack.push_back({i, f.FirstChild, key.size(), t, std::move(own)});
        };
        int folders = 0;
        enter(index);
        while (!stack.empty()) {
            TFrame& top = stack.back();
            const TScanFolder& f = FReader.At(top.Index);
            if (top.Next != TScanFolder::kNone) {
                const std::uint32_t c = top.Next;
                const TScanFolder& child = FReader.At(c);
                top.Next = child.NextSibling;
                if (child.Has(TScanFolder::kLink)) continue;
                if (++folders % kStopCheckFolders == 0 && Stopping()) return TPassEnd::Stopped;
                key.resize(top.KeyLength);
                ChildKey(key, f, child);
                TFolderTotals cached;
                if (auto end = Skip(child, key, cached)) {
                    if (*end != TPassEnd::Done) return *end;
                    AddTotals(top.Totals, cached);
                    continue;
                }
                enter(c);
                continue;
            }
            key.resize(top.KeyLength);
            CountLinksOnce(top.Links, top.Totals);
            if (!Keep(f, key, top.Totals, &batch)) return TPassEnd::NotFresh;
            const TFolderTotals done = top.Totals;
            std::vector<TLinkSeen> doneLinks = std::move(top.Links);
            stack.pop_back();
            if (stack.empty()) {
                if (!Flush(batch)) return TPassEnd::NotFresh;
                totals = done;
                links = std::move(doneLinks);
                return TPassEnd::Done;
            }
            AddTotals(stack.back().Totals, done);
            auto& up = stack.back().Links;
            up.insert(up.end(), doneLinks.begin(), doneLinks.end());
        }
        return TPassEnd::NotFresh;
    }

private:
    const TScanReader& FReader;
    TFolderSizeCache& FCache;
    const TFolderSizeMask& FMask;
    const char FSeparator;
    const bool FCaseSensitive;
    const std::function<bool()>& FStop;
    std::vector<char> FByExtension;
    std::atomic<bool> FAbort{false};
};

// A large tree: the folder's own files here, its sub-folders' trees shared by this thread and one more,
// each taking the next sub-folder not yet taken. The caller's reader covers both threads.
TPassEnd RunSplit(TTreePass& pass, const TScanReader& reader, std::uint32_t index, const std::string& key,
                  TFolderTotals& totals, std::vector<TLinkSeen>& links) {
    const TScanFolder& f = reader.At(index);
    std::vector<std::uint32_t> children;
    for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = reader.At(c).NextSibling)
        if (!reader.At(c).Has(TScanFolder::kLink)) children.push_back(c);
    std::atomic<std::size_t> next{0};
    struct TPart {
        TFolderTotals Totals;
        std::vector<TLinkSeen> Links;
        TPassEnd End = TPassEnd::Done;
        std::exception_ptr Error;
    };
    auto work = [&](TPart& part) {
        try {
            std::string childKey;
            for (std::size_t i;
                 part.End == TPassEnd::Done && !pass.Stopping() && (i = next.fetch_add(1)) < children.size();) {
                const TScanFolder& child = reader.At(children[i]);
                childKey = key;
                pass.ChildKey(childKey, f, child);
                TFolderTotals t;
                std::vector<TLinkSeen> links;
                if (auto end = pass.Skip(child, childKey, t))
                    part.End = *end;
                else
                    part.End = pass.Run(children[i], childKey, t, links);
                if (part.End == TPassEnd::Done) {
                    AddTotals(part.Totals, t);
                    part.Links.insert(part.Links.end(), links.begin(), links.end());
                }
            }
        } catch (...) {
            part.Error = std::current_exception();
        }
        if (part.End != TPassEnd::Done || part.Error) pass.Abort();  // the other thread stops too
    };
    TPart mine, other;
    std::optional<std::thread> helper;
    try {
        helper.emplace(work, std::ref(other));
    } catch (const std::system_error&) {
        // No second thread: this one does it all.
    }
    work(mine);
    if (helper) helper->join();
    for (TPart* part : {&mine, &other})
        if (part->Error) std::rethrow_exception(part->Error);
    // A part that found a folder not fresh stopped the other one: that is no cancel.
    for (TPassEnd end : {TPassEnd::NotFresh, TPassEnd::Stopped})
        if (mine.End == end || other.End == end) return end;
    if (pass.Stopping()) return TPassEnd::Stopped;
    std::vector<TLinkSeen> allLinks;
    TFolderTotals all = pass.Own(f, allLinks);
    AddTotals(all, mine.Totals);
    AddTotals(all, other.Totals);
    for (TPart* part : {&mine, &other}) allLinks.insert(allLinks.end(), part->Links.begin(), part->Links.end());
    CountLinksOnce(allLinks, all);
    if (!pass.Keep(f, key, all)) return TPassEnd::NotFresh;
    totals = all;
    links = std::move(allLinks);
    return TPassEnd::Done;
}

}  // namespace

TFolderSizeService::TTreeAnswer TFolderSizeService::FromTree(TScanRef ref, std::string key, const TFolderSizeMask& mask,
                                                             bool wait, const std::function<bool()>& stop,
                                                             TFolderTotals& totals, std::vector<TLinkSeen>* links) {
    const TFolderSizeStamps stamps = FCache.Stamps(key);
    std::optional<TScanReader> reader;
    if (wait)
        reader.emplace(FTree);
    else
        reader.emplace(FTree, std::try_to_lock);
    if (!reader->Locked()) return TTreeAnswer::Busy;
    if (!ref) ref = reader->Find(key);
    const TScanFolder* first = reader->Folder(ref);
    // Its whole tree must be held and verified since the last change in it.
    if (!first || !first->Has(TScanFolder::kVerified) || stamps.TotalsStaleAt > first->VerifiedAt)
        return TTreeAnswer::NotFresh;
    // Cached totals serve unless the caller must know the tree's hard-linked files.
    if (mask.Cacheable() && FCache.Lookup(key, mask.Lower(), totals) && (!links || !totals.Links))
        return TTreeAnswer::Done;

    TTreePass pass(*reader, FCache, mask, FLister.Separator(), FLister.CaseSensitive(), stop);
    const std::int64_t splitFiles = FSplitFiles.load();
    // Worth it where matching the names is the work: for masks that look at the extension or at nothing,
    // storing each folder's totals is, and the two threads would only queue for the cache.
    const bool split = splitFiles > 0 && first->Total.Files >= splitFiles && !mask.ByExtension() &&
                       !mask.MatchesAll() && std::thread::hardware_concurrency() > 1;
    std::vector<TLinkSeen> found;
    switch (split ? RunSplit(pass, *reader, ref.Index, key, totals, found) : pass.Run(ref.Index, key, totals, found)) {
        case TPassEnd::Done:
            if (links) *links = std::move(found);
            return TTreeAnswer::Done;
        case TPassEnd::Stopped:
            return TTreeAnswer::Stopped;
        default:
            return TTreeAnswer::NotFresh;
    }
}
