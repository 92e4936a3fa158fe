#include "shell/ScanTree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/DosWildcard.h"

// --- listing

void TScanListing::Clear() {
    FFiles.clear();
    FLinks.clear();
    FIds.clear();
    FFolders.clear();
    FNames.clear();
}

std::uint32_t TScanListing::Keep(std::string_view name, std::uint16_t& length) {
    // A file name is at most 255 UTF-16 units, so at most 765 bytes; anything longer is cut, never wrapped.
    length = static_cast<std::uint16_t>(std::min<std::size_t>(name.size(), UINT16_MAX));
    const auto offset = static_cast<std::uint32_t>(FNames.size());
    FNames.append(name.substr(0, length));
    return offset;
}

void TScanListing::AddFile(std::string_view name, std::int64_t size, std::int64_t allocated, std::int64_t lastWriteTime,
                           std::uint32_t attributes) {
    TScanFile f{};
    f.Size = size;
    f.Allocated = allocated;
    f.LastWriteTime = lastWriteTime;
    f.Attributes = attributes;
    f.NameOffset = Keep(name, f.NameLength);
    FFiles.push_back(f);
}

void TScanListing::SetLinkKey(std::uint64_t key, std::uint64_t device, std::uint32_t links) {
    if (FFiles.empty()) return;
    const auto file = static_cast<std::uint32_t>(FFiles.size() - 1);
    if (!FLinks.empty() && FLinks.back().File == file) FLinks.pop_back();  // set again: the last one holds
    FLinks.push_back(TScanLinkKey{file, links, key, device});
}

void TScanListing::SetFileId(std::uint64_t id) {
    if (FFiles.empty()) return;
    FIds.resize(FFiles.size());
    FIds.back() = id;
}

void TScanListing::AddFolder(std::string_view name, std::int64_t lastWriteTime, std::uint32_t attributes) {
    TFolderEntry e{};
    e.NameOffset = Keep(name, e.NameLength);
    e.Attributes = attributes | faDirectory;
    e.LastWriteTime = lastWriteTime;
    FFolders.push_back(e);
}

// --- tree

TScanTree::TScanTree(char separator, bool caseSensitive) : FSeparator(separator), FCaseSensitive(caseSensitive) {
    FExtensions.emplace_back();  // id 0: no extension
    FExtensionIds.emplace("", 0);
}

TScanTree::~TScanTree() {
    ClearLocked();
}

void TScanTree::AppendKeyName(std::string& key, std::string_view name) const {
    if (FCaseSensitive)
        key.append(name);
    else
        AppendLowerCase(key, name);
}

std::string TScanTree::FoldedName(std::string_view name) const {
    std::string folded;
    folded.reserve(name.size());
    AppendKeyName(folded, name);
    return folded;
}

TScanFolder* TScanTree::Get(TScanRef ref) const {
    if (ref.Index >= FSlots) return nullptr;
    TScanFolder& f = Slot(ref.Index);
    return f.Has(TScanFolder::kUsed) && f.Serial == ref.Serial ? &f : nullptr;
}

std::string_view TScanTree::NameOf(std::uint32_t index) const {
    const TScanFolder& f = Slot(index);
    if (f.Has(TScanFolder::kRoot)) {
        auto it = FRootPaths.find(index);
        return it == FRootPaths.end() ? std::string_view() : std::string_view(it->second);
    }
    if (f.Parent == TScanFolder::kNone) return {};
    return {Slot(f.Parent).Names() + f.NameOffset, f.NameLength};
}

std::uint32_t TScanTree::NewFolder() {
    std::uint32_t index;
    if (!FFree.empty()) {
        index = FFree.back();
        FFree.pop_back();
    } else {
        if (FSlots % kChunk == 0) {
            FChunks.push_back(std::make_unique<TScanFolder[]>(kChunk));
            FBytes += kChunk * sizeof(TScanFolder);
        }
        index = FSlots++;
    }
    TScanFolder& f = Slot(index);
    f = TScanFolder{};
    f.Flags = TScanFolder::kUsed;
    f.Serial = ++FSerial;
    ++FFolders;
    return index;
}

void TScanTree::FreeBlock(TScanFolder& f) {
    if (f.Block) {
        const std::size_t bytes =
            f.FileCount * sizeof(TScanFile) + f.IdBytes() + f.LinkCount * sizeof(TScanLinkKey) + f.NameBytes;
        FBytes -= bytes + kBlockOverhead;
        std::free(f.Block);
    }
    FNameBytes -= f.NameBytes;
    FFiles -= f.FileCount;
    f.Block = nullptr;
    f.FileCount = f.LinkCount = f.NameBytes = 0;
    f.Flags &= static_cast<std::uint8_t>(~TScanFolder::kIds);
}

void TScanTree::DropTree(std::uint32_t index) {
    // Iterative: trees may be thousands of folders deep.
    std::vector<std::uint32_t> stack{index};
    while (!stack.empty()) {
        const std::uint32_t i = stack.back();
        stack.pop_back();
        TScanFolder& f = Slot(i);
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling) stack.push_back(c);
        if (f.Has(TScanFolder::kRoot)) {
            auto path = FRootPaths.find(i);
            if (path != FRootPaths.end()) {
                FBytes -= path->second.size() + kRootOverhead;
                FRootPaths.erase(path);
            }
            for (auto it = FRootsByKey.begin(); it != FRootsByKey.end(); ++it)
                if (it->second == i) {
                    FBytes -= it->first.size();
                    FRootsByKey.erase(it);
                    break;
                }
        }
        FreeBlock(f);
        f.Flags = 0;
        f.FirstChild = f.NextSibling = f.Parent = TScanFolder::kNone;
        --FFolders;
        FFree.push_back(i);
    }
}

void TScanTree::DropChildren(TScanFolder& f) {
    std::uint32_t c = f.FirstChild;
    f.FirstChild = TScanFolder::kNone;
    while (c != TScanFolder::kNone) {
        const std::uint32_t next = Slot(c).NextSibling;
        DropTree(c);
        c = next;
    }
}

std::uint32_t TScanTree::ExtensionId(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return 0;
    const std::string_view ext = name.substr(dot);
    // Most extensions are short ASCII: fold them on the stack, with no allocation for a known one.
    char buffer[32];
    std::string folded;
    std::string_view key;
    bool ascii = ext.size() <= sizeof buffer;
    for (std::size_t i = 0; ascii && i < ext.size(); ++i) {
        const auto c = static_cast<unsigned char>(ext[i]);
        if (c >= 0x80) ascii = false;
        buffer[i] = static_cast<char>((c >= 'A' && c <= 'Z' && !FCaseSensitive) ? c + 32 : c);
    }
    if (ascii) {
        key = std::string_view(buffer, ext.size());
    } else {
        folded = FCaseSensitive ? std::string(ext) : LowerCaseText(ext);
        key = folded;
    }
    auto it = FExtensionIds.find(key);
    if (it != FExtensionIds.end()) return it->second;
    const auto id = static_cast<std::uint32_t>(FExtensions.size());
    FExtensions.emplace_back(key);
    FExtensionIds.emplace(std::string(key), id);
    FBytes += 2 * (key.size() + sizeof(std::string)) + 32;
    return id;
}

std::uint32_t TScanTree::FindLocked(std::string_view key) const {
    // The longest root whose key begins key, then down by name.
    const char sep = FSeparator;
    std::uint32_t at = TScanFolder::kNone;
    std::size_t done = 0;
    for (std::size_t end = key.size(); end > 0;) {
        auto it = FRootsByKey.find(std::string(key.substr(0, end)));
        if (it != FRootsByKey.end()) {
            at = it->second;
            done = end;
            break;
        }
        if (end < 2) break;
        const std::size_t prev = key.rfind(sep, end - 2);
        if (prev == std::string_view::npos) break;
        end = prev + 1;
    }
    if (at == TScanFolder::kNone) return at;
    std::string folded;
    while (done < key.size()) {
        std::size_t end = key.find(sep, done);
        if (end == std::string_view::npos) end = key.size();
        const std::string_view part = key.substr(done, end - done);
        done = end + 1;
        if (part.empty()) continue;
        const TScanFolder& f = Slot(at);
        std::uint32_t found = TScanFolder::kNone;
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling) {
            const TScanFolder& child = Slot(c);
            const std::string_view name(f.Names() + child.NameOffset, child.NameLength);
            folded.clear();
            AppendKeyName(folded, name);
            if (folded == part) {
                found = c;
                break;
            }
        }
        if (found == TScanFolder::kNone) return found;
        at = found;
    }
    return at;
}

TScanRef TScanTree::Find(std::string_view key) const {
    std::shared_lock lock(FLock);
    const std::uint32_t i = FindLocked(key);
    return i == TScanFolder::kNone ? TScanRef{} : TScanRef{i, Slot(i).Serial};
}

TScanRef TScanReader::Find(std::string_view key) const {
    const std::uint32_t i = FTree.FindLocked(key);
    return i == TScanFolder::kNone ? TScanRef{} : RefOf(i);
}

TScanRef TScanTree::AddRoot(std::string_view path, std::string_view key) {
    std::unique_lock lock(FLock);
    if (FOff) return {};
    if (const std::uint32_t i = FindLocked(key); i != TScanFolder::kNone) return {i, Slot(i).Serial};
    const std::size_t more = sizeof(TScanFolder) + path.size() + key.size() + kRootOverhead;
    if (!FitsLocked(more)) {
        TurnOffLocked();
        return {};
    }
    const std::uint32_t i = NewFolder();
    TScanFolder& f = Slot(i);
    f.Flags |= TScanFolder::kRoot;
    f.Attributes = faDirectory;
    FRootPaths.emplace(i, std::string(path));
    FRootsByKey.emplace(std::string(key), i);
    FBytes += path.size() + key.size() + kRootOverhead;
    return {i, f.Serial};
}

TScanInstall TScanTree::Install(TScanRef ref, std::string_view key, const TScanListing& listing, TDirStatus status,
                                std::uint64_t listedAt) {
    TScanInstall out;
    // The new block is made before the lock is taken: filling fresh memory is most of an install's cost,
    // and other threads need not wait for it. Only the extension ids are set under the lock.
    const std::size_t idBytes = listing.FIds.empty() ? 0 : listing.FFiles.size() * sizeof(std::uint64_t);
    const std::size_t blockBytes = listing.FFiles.size() * sizeof(TScanFile) + idBytes +
                                   listing.FLinks.size() * sizeof(TScanLinkKey) + listing.FNames.size();
    std::unique_ptr<std::byte, decltype(&std::free)> owned(nullptr, &std::free);  // until it is in place
    if (blockBytes) {
        owned.reset(static_cast<std::byte*>(std::malloc(blockBytes)));
        if (!owned) throw std::bad_alloc();
        std::byte* at = owned.get();
        if (!listing.FFiles.empty()) std::memcpy(at, listing.FFiles.data(), listing.FFiles.size() * sizeof(TScanFile));
        at += listing.FFiles.size() * sizeof(TScanFile);
        if (idBytes) {
            std::memset(at, 0, idBytes);  // files after the last one given an id have none
            std::memcpy(at, listing.FIds.data(), listing.FIds.size() * sizeof(std::uint64_t));
        }
        at += idBytes;
        if (!listing.FLinks.empty())
            std::memcpy(at, listing.FLinks.data(), listing.FLinks.size() * sizeof(TScanLinkKey));
        at += listing.FLinks.size() * sizeof(TScanLinkKey);
        if (!listing.FNames.empty()) std::memcpy(at, listing.FNames.data(), listing.FNames.size());
    }

    std::unique_lock lock(FLock);
    TScanFolder* folder = Get(ref);
    if (FOff || !folder) return out;
    const std::size_t oldBytes = folder->Block
                                     ? folder->FileCount * sizeof(TScanFile) + folder->IdBytes() +
                                           folder->LinkCount * sizeof(TScanLinkKey) + folder->NameBytes + kBlockOverhead
                                     : 0;
    // New sub-folders may need a new chunk of folder slots.
    const std::size_t slots = FFree.size() >= listing.FFolders.size() ? 0 : kChunk * sizeof(TScanFolder);
    if (FBytes - std::min(FBytes, oldBytes) + blockBytes + kBlockOverhead + slots > FBudget) {
        TurnOffLocked();
        return out;
    }
    auto* files = reinterpret_cast<TScanFile*>(owned.get());
    for (std::size_t i = 0; i < listing.FFiles.size(); ++i)
        files[i].Extension =
            ExtensionId(std::string_view(listing.FNames.data() + files[i].NameOffset, files[i].NameLength));
    const std::uint32_t index = ref.Index;  // slots never move: folder stays valid as folders are added

    // Sub-folders still listed keep their trees; match them by their key form.
    std::unordered_map<std::string, std::uint32_t> kept;
    if (folder->FirstChild != TScanFolder::kNone) {
        for (std::uint32_t c = folder->FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling) {
            const TScanFolder& child = Slot(c);
            kept.emplace(FoldedName(std::string_view(folder->Names() + child.NameOffset, child.NameLength)), c);
        }
    }
    FreeBlock(*folder);
    folder->Block = owned.release();
    folder->FileCount = static_cast<std::uint32_t>(listing.FFiles.size());
    folder->LinkCount = static_cast<std::uint32_t>(listing.FLinks.size());
    folder->NameBytes = static_cast<std::uint32_t>(listing.FNames.size());
    if (idBytes) folder->Flags |= TScanFolder::kIds;
    if (folder->Block) FBytes += blockBytes + kBlockOverhead;
    FNameBytes += listing.FNames.size();
    FFiles += folder->FileCount;

    std::uint32_t last = TScanFolder::kNone;
    std::uint32_t first = TScanFolder::kNone;
    std::string childKey;
    for (const auto& e : listing.FFolders) {
        const std::string_view name(listing.FNames.data() + e.NameOffset, e.NameLength);
        const bool link = (e.Attributes & faReparsePoint) != 0;
        std::uint32_t c = TScanFolder::kNone;
        std::string folded = FoldedName(name);
        if (auto it = kept.find(folded); it != kept.end()) {
            c = it->second;
            kept.erase(it);
            if (Slot(c).Has(TScanFolder::kLink) != link) {  // a folder became a link, or the other way
                DropTree(c);
                c = TScanFolder::kNone;
            }
        }
        if (c == TScanFolder::kNone && !link && !FRootsByKey.empty()) {
            childKey.assign(key);
            childKey += folded;
            childKey += FSeparator;
            if (auto root = FRootsByKey.find(childKey); root != FRootsByKey.end()) {
                c = root->second;
                FBytes -= root->first.size();
                FRootsByKey.erase(root);
                if (auto path = FRootPaths.find(c); path != FRootPaths.end()) {
                    FBytes -= path->second.size() + kRootOverhead;
                    FRootPaths.erase(path);
                }
                Slot(c).Flags &= static_cast<std::uint8_t>(~TScanFolder::kRoot);
            }
        }
        if (c == TScanFolder::kNone) c = NewFolder();
        TScanFolder& child = Slot(c);
        child.Parent = index;
        child.NextSibling = TScanFolder::kNone;
        child.NameOffset = e.NameOffset;
        child.NameLength = e.NameLength;
        child.Attributes = e.Attributes;
        child.LastWriteTime = e.LastWriteTime;
        if (link) child.Flags |= TScanFolder::kLink;
        if (last == TScanFolder::kNone)
            first = c;
        else
            Slot(last).NextSibling = c;
        last = c;
        if (!link) {
            out.Children.push_back({c, child.Serial});
            out.Known.push_back(child.Has(TScanFolder::kScanned));
        }
    }
    for (auto& [name, c] : kept) DropTree(c);
    folder->FirstChild = first;
    folder->Status = static_cast<std::uint8_t>(status);
    folder->Flags |= TScanFolder::kScanned;
    folder->Flags &= static_cast<std::uint8_t>(~TScanFolder::kMissing);
    folder->ListedAt = listedAt;
    folder->Flags &= static_cast<std::uint8_t>(~TScanFolder::kVerified);
    // A folder with no sub-folders to enter is its whole tree: fresh as of its listing.
    if (out.Children.empty()) {
        if (SumLocked(*folder)) {
            folder->VerifiedAt = listedAt;
            folder->Flags |= TScanFolder::kVerified;
            out.Verified = true;
        }
    }
    out.Installed = true;
    return out;
}

void TScanTree::MarkMissing(TScanRef ref) {
    std::unique_lock lock(FLock);
    TScanFolder* f = Get(ref);
    if (!f) return;
    FreeBlock(*f);
    DropChildren(*f);
    // Never fresh itself (a walk that meets it reads it again), but it counts as a verified nothing.
    f->Flags |= TScanFolder::kScanned | TScanFolder::kMissing;
    f->Flags &= static_cast<std::uint8_t>(~TScanFolder::kVerified);
    f->Status = static_cast<std::uint8_t>(TDirStatus::NotFound);
    f->Total = {};
}

bool TScanTree::Verify(TScanRef ref, std::uint64_t at) {
    std::unique_lock lock(FLock);
    TScanFolder* f = Get(ref);
    if (!f || !f->Has(TScanFolder::kScanned) || f->Has(TScanFolder::kMissing)) return false;
    if (!SumLocked(*f)) return false;
    f->VerifiedAt = f->Has(TScanFolder::kVerified) ? std::max(f->VerifiedAt, at) : at;
    f->Flags |= TScanFolder::kVerified;
    return true;
}

void TScanTree::GatherLinksLocked(std::uint32_t index, std::vector<TLinkSeen>& out) const {
    std::vector<std::uint32_t> stack{index};  // no recursion: trees may be thousands deep
    while (!stack.empty()) {
        const TScanFolder& f = Slot(stack.back());
        stack.pop_back();
        const TScanFile* files = f.Files();
        const TScanLinkKey* links = f.Links();
        for (std::uint32_t i = 0; i < f.LinkCount; ++i)
            out.push_back({links[i].Device, links[i].Key, files[links[i].File].Size, files[links[i].File].Allocated});
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling)
            if (!Slot(c).Has(TScanFolder::kLink) && !Slot(c).Has(TScanFolder::kMissing)) stack.push_back(c);
    }
}

bool TScanTree::SumLocked(TScanFolder& f) {
    TScanTotals total;
    bool fits = true;
    auto add = [&](const TScanTotals& t) {
        fits = fits && !__builtin_add_overflow(total.Size, t.Size, &total.Size) &&
               !__builtin_add_overflow(total.Allocated, t.Allocated, &total.Allocated) &&
               !__builtin_add_overflow(total.Files, t.Files, &total.Files);
    };
    const TScanFile* files = f.Files();
    for (std::uint32_t i = 0; i < f.FileCount; ++i) add({files[i].Size, files[i].Allocated, 1});
    bool linked = f.LinkCount > 0;
    for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling) {
        const TScanFolder& child = Slot(c);
        if (child.Has(TScanFolder::kLink) || child.Has(TScanFolder::kMissing)) continue;
        if (!child.Has(TScanFolder::kVerified)) return false;
        add(child.Total);
        linked = linked || child.Has(TScanFolder::kLinks);
    }
    if (!fits) return false;
    f.Flags &= static_cast<std::uint8_t>(~TScanFolder::kLinks);
    if (linked) {
        // Each part (the folder's own files, each sub-folder's tree) counted a hard-linked file once;
        // a file met in more than one part comes off for each repeat.
        std::vector<TLinkSeen> all, part;
        const TScanLinkKey* links = f.Links();
        for (std::uint32_t i = 0; i < f.LinkCount; ++i)
            all.push_back({links[i].Device, links[i].Key, files[links[i].File].Size, files[links[i].File].Allocated});
        auto drop = [&](const TLinkSeen& l) {
            total.Size -= l.Size;
            total.Allocated -= l.Used;
            --total.Files;
        };
        DropRepeatedLinks(all, drop);
        for (std::uint32_t c = f.FirstChild; c != TScanFolder::kNone; c = Slot(c).NextSibling) {
            const TScanFolder& child = Slot(c);
            if (child.Has(TScanFolder::kLink) || child.Has(TScanFolder::kMissing) || !child.Has(TScanFolder::kLinks))
                continue;
            part.clear();
            GatherLinksLocked(c, part);
            DropRepeatedLinks(part, [](const TLinkSeen&) {});
            all.insert(all.end(), part.begin(), part.end());
        }
        DropRepeatedLinks(all, drop);
        if (!all.empty()) f.Flags |= TScanFolder::kLinks;
    }
    f.Total = total;
    return true;
}

void TScanTree::ClearLocked() {
    for (std::uint32_t i = 0; i < FSlots; ++i) {
        TScanFolder& f = Slot(i);
        if (f.Block) std::free(f.Block);
        f.Block = nullptr;
    }
    FChunks.clear();
    FSlots = 0;
    FFree.clear();
    FRootsByKey.clear();
    FRootPaths.clear();
    FExtensionIds.clear();
    FExtensions.clear();
    FExtensions.emplace_back();
    FExtensionIds.emplace("", 0);
    FBytes = FNameBytes = 0;
    FFiles = FFolders = 0;
}

void TScanTree::TurnOffLocked() {
    ClearLocked();
    FOff = true;
    FBudgetReached = FBudget > 0;
}

void TScanTree::Clear() {
    std::unique_lock lock(FLock);
    ClearLocked();
}

void TScanTree::SetBudget(std::size_t bytes) {
    std::unique_lock lock(FLock);
    FBudget = bytes;
    if (FBytes > FBudget || bytes == 0) {
        TurnOffLocked();
    } else if (FOff) {
        FOff = false;
        FBudgetReached = false;
    }
}

TScanTreeState TScanTree::State() const {
    std::shared_lock lock(FLock);
    return {!FOff, FOff && FBudgetReached, FBytes, FBudget};
}

bool TScanTree::KeepsFiles() const {
    std::shared_lock lock(FLock);
    return !FOff;
}

TScanTreeStats TScanTree::Stats() const {
    std::shared_lock lock(FLock);
    return {FFiles, FFolders, FNameBytes, FBytes, FExtensions.size()};
}

// --- builder

TScanTreeBuilder::TScanTreeBuilder(TScanTree& tree, std::string path, std::string key, std::uint64_t stamp)
    : FTree(tree), FPath(std::move(path)), FKey(std::move(key)), FStamp(stamp) {
    FLevels.push_back(TLevel{FPath.size(), FKey.size()});
    FScratch.resize(1);
}

void TScanTreeBuilder::OpenFolder(std::string_view name, std::int64_t lastWriteTime, std::uint32_t attributes) {
    Open().AddFolder(name, lastWriteTime, attributes);
    if (FPath.empty() || FPath.back() != FTree.Separator()) FPath += FTree.Separator();
    FPath.append(name);
    FTree.AppendKeyName(FKey, name);
    FKey += FTree.Separator();
    FLevels.push_back(TLevel{FPath.size(), FKey.size(), (attributes & faReparsePoint) != 0});
    if (FScratch.size() < FLevels.size()) FScratch.emplace_back();
    Open().Clear();
}

void TScanTreeBuilder::AddFile(std::string_view name, std::int64_t size, std::int64_t allocated,
                               std::int64_t lastWriteTime, std::uint32_t attributes) {
    Open().AddFile(name, size, allocated, lastWriteTime, attributes);
}

void TScanTreeBuilder::SetLinkKey(std::uint64_t key, std::uint64_t device, std::uint32_t links) {
    Open().SetLinkKey(key, device, links);
}

bool TScanTreeBuilder::InstallOpen(TDirStatus status) {
    if (FFailed) return false;
    // A root of its own key until its parent's install finds it there and moves it under the parent.
    const TScanRef ref = FTree.AddRoot(FPath, FKey);
    const TScanInstall done = ref ? FTree.Install(ref, FKey, Open(), status, FStamp) : TScanInstall{};
    // Its sub-folders were verified as they closed, so the sums are there to add.
    FFailed = !done.Installed || (!done.Verified && !FTree.Verify(ref, FStamp));
    return !FFailed;
}

void TScanTreeBuilder::CloseFolder(TDirStatus status) {
    if (FLevels.size() < 2) return;
    if (!FLevels.back().Link) InstallOpen(status);
    FLevels.pop_back();
    FPath.resize(FLevels.back().PathLength);
    FKey.resize(FLevels.back().KeyLength);
}

TScanRef TScanTreeBuilder::Finish(TDirStatus rootStatus) {
    while (FLevels.size() > 1) CloseFolder();
    if (!InstallOpen(rootStatus)) return {};
    return FTree.Find(FKey);
}
