#include "shell/ShellComboEntries.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "shell/ShellPath_win.h"

namespace {

int GFolderReads = 0;

TOwnedIdList SpecialFolder(int csidl) {
    PIDLIST_ABSOLUTE p = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &p))) return nullptr;
    return TOwnedIdList(p);
}

// The folders inside a folder, as absolute identifier lists.
std::vector<TOwnedIdList> SubFolders(PCIDLIST_ABSOLUTE parent) {
    std::vector<TOwnedIdList> out;
    TComPtr<IShellFolder> desktop, folder;
    if (FAILED(::SHGetDesktopFolder(desktop.Put()))) return out;
    if (ILIsEmpty(parent)) {
        folder = desktop;
    } else if (FAILED(desktop->BindToObject(parent, nullptr, IID_IShellFolder, folder.PutVoid()))) {
        return out;
    }
    TComPtr<IEnumIDList> items;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.Put()) != S_OK || !items) return out;
    PITEMID_CHILD child = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &child, &fetched) == S_OK && fetched == 1) {
        out.emplace_back(::ILCombine(parent, child));
        ::CoTaskMemFree(child);
    }
    return out;
}

bool SameIdList(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b) {
    return a && b && ::ILIsEqual(a, b);
}

// A child's name as its parent gives it; empty when the parent fails.
std::string NameOf(IShellFolder* parent, PCUITEMID_CHILD child, SHGDNF form) {
    STRRET ret = {};
    if (FAILED(parent->GetDisplayNameOf(child, form, &ret))) return {};
    wchar_t* text = nullptr;
    if (FAILED(::StrRetToStrW(&ret, child, &text)) || !text) return {};
    std::string out = Narrow(text);
    ::CoTaskMemFree(text);
    return out;
}

// The desktop's parsing name (its folder's path); the system reads no level for it.
std::string DesktopParsingName(PCIDLIST_ABSOLUTE desktop) {
    wchar_t* name = nullptr;
    std::string out;
    if (SUCCEEDED(::SHGetNameFromIDList(desktop, SIGDN_DESKTOPABSOLUTEPARSING, &name)) && name) out = Narrow(name);
    ::CoTaskMemFree(name);
    return out;
}

bool IsFileSystemPath(const std::string& path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
}

// The icon, display name and attributes the system gives for an absolute list. The system walks every
// level of the list again for it, so this serves the desktop, its folders and the drives.
void ReadShellInfo(TStComboFolder& f, bool names) {
    SHFILEINFOW info = {};
    const UINT what =
        SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (names ? SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES : 0);
    GFolderReads += std::max(1, IdListDepth(f.IdList.get()));
    if (!::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(f.IdList.get()), 0, &info, sizeof info, what)) return;
    f.IconIndex = info.iIcon;
    if (!names) return;
    f.DisplayName = Narrow(info.szDisplayName);
    f.FileSystem = info.dwAttributes & SFGAO_FILESYSTEM;
    f.Shared = info.dwAttributes & SFGAO_SHARE;
}

// The system's small icon of a closed folder, without touching the disk; read once.
int PlainFolderIcon() {
    static int index = -2;
    if (index == -2) {
        SHFILEINFOW info = {};
        index = ::SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                                 SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                    ? info.iIcon
                    : -1;
    }
    return index;
}

// The icon of a folder read by a walk. A file-system folder inside another one, below the drives and
// the desktop's own folders, gets the system's folder icon: the system's icon query walks the whole
// list again (under Wine also when asked through the parent folder), which for every folder of a deep
// path costs the square of the depth. A folder's own icon from its settings is not shown there.
void ReadIcon(TStComboFolder& f, bool inFileSystemFolder) {
    if (f.FileSystem && inFileSystemFolder && f.Level >= 3)
        f.IconIndex = PlainFolderIcon();
    else
        ReadShellInfo(f, false);
}

// Reads the folders of an absolute identifier list from the desktop down, one identifier at a time: each
// folder is bound from its parent, and the parent gives its child's names and attributes. The system's
// own queries on an absolute list walk every level above the folder again (and under Wine recurse once
// per level), so reading every ancestor of a deep folder through them costs the square of the depth and
// can exhaust the stack.
class TFolderWalk {
public:
    explicit TFolderWalk(PCIDLIST_ABSOLUTE idList) : FRest(idList) {
        if (!idList || FAILED(::SHGetDesktopFolder(FFolder.Put()))) {
            FFolder.Reset();
            return;
        }
        // The desktop's own list is the empty one: the given list cut before its first identifier.
        FAbsolute.reset(::ILClone(idList));
        if (!FAbsolute) return;
        FAbsolute->mkid.cb = 0;
        FPath = DesktopParsingName(FAbsolute.get());
        FInFileSystem = IsFileSystemPath(FPath);
    }
    bool AtEnd() const { return !FFolder || !FAbsolute || !FRest || FRest->mkid.cb == 0; }
    // Whether the folder last read lies in a file-system folder.
    bool InFileSystemFolder() const { return FParentInFileSystem; }

    // The next folder of the list, read from its parent; null at the end or when the shell refuses.
    std::unique_ptr<TStComboFolder> Next() {
        if (AtEnd()) return nullptr;
        TOwnedIdList child(::ILCloneFirst(FRest));
        if (!child) return nullptr;
        PCUITEMID_CHILD item = reinterpret_cast<PCUITEMID_CHILD>(child.get());
        auto f = std::make_unique<TStComboFolder>();
        f->IdList.reset(::ILCombine(FAbsolute.get(), item));
        if (!f->IdList) return nullptr;
        ++GFolderReads;
        SFGAOF attributes = SFGAO_FILESYSTEM | SFGAO_SHARE | SFGAO_FOLDER;
        if (FAILED(FFolder->GetAttributesOf(1, &item, &attributes))) attributes = 0;
        f->FileSystem = attributes & SFGAO_FILESYSTEM;
        f->Shared = attributes & SFGAO_SHARE;
        f->DisplayName = NameOf(FFolder.Get(), item, SHGDN_NORMAL);
        // A file-system folder's path is its parent's with its own name added: the parent's full name
        // for it may be cut at MAX_PATH.
        if (f->FileSystem && FInFileSystem) {
            f->Path = FPath;
            if (f->Path.back() != '\\') f->Path += '\\';
            f->Path += NameOf(FFolder.Get(), item, SHGDN_INFOLDER | SHGDN_FORPARSING);
        } else {
            f->Path = NameOf(FFolder.Get(), item, SHGDN_FORPARSING);
        }
        if (f->DisplayName.empty()) {
            size_t slash = f->Path.find_last_of('\\', f->Path.size() > 1 ? f->Path.size() - 2 : 0);
            f->DisplayName = slash == std::string::npos ? f->Path : f->Path.substr(slash + 1);
        }
        f->Level = ++FDepth;

        FRest = reinterpret_cast<PCIDLIST_ABSOLUTE>(reinterpret_cast<const BYTE*>(FRest) + FRest->mkid.cb);
        FAbsolute.reset(::ILClone(f->IdList.get()));
        FParentInFileSystem = FInFileSystem;
        FPath = f->Path;
        FInFileSystem = f->FileSystem && IsFileSystemPath(FPath);
        // The folder's own interface serves the level below it, when there is one.
        if (!AtEnd()) {
            TComPtr<IShellFolder> next;
            if (FAILED(FFolder->BindToObject(item, nullptr, IID_IShellFolder, next.PutVoid()))) next.Reset();
            FFolder = next;
        }
        return f;
    }

private:
    PCIDLIST_ABSOLUTE FRest;        // the identifiers still to read
    TComPtr<IShellFolder> FFolder;  // the folder reached: the parent of the next one
    TOwnedIdList FAbsolute;         // its absolute list
    std::string FPath;              // its parsing name
    bool FInFileSystem = false;     // it is a file-system folder
    bool FParentInFileSystem = false;
    int FDepth = 0;
};

// The names below the root of a file-system path ("C:\\a\\b" gives "a", "b"; "\\\\server\\share\\a" gives
// "a"), and the root in root ("C:\\", "\\\\server\\share"); false for a path of another kind.
bool SplitFileSystemPath(const std::string& path, std::string& root, std::vector<std::string>& names) {
    std::size_t at = 0;
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        root = path.substr(0, 3);
        at = 3;
    } else if (path.rfind("\\\\", 0) == 0 && path.find('\\', 2) != std::string::npos) {
        const std::size_t share = path.find('\\', path.find('\\', 2) + 1);
        root = path.substr(0, share);
        at = share == std::string::npos ? path.size() : share + 1;
    } else {
        return false;
    }
    names.clear();
    for (std::size_t from = at; from < path.size();) {
        std::size_t end = path.find('\\', from);
        if (end == std::string::npos) end = path.size();
        if (end > from) names.push_back(path.substr(from, end - from));
        from = end + 1;
    }
    return true;
}

// The names of a path split by SplitFileSystemPath that the shell reads, as ParseShellPath parsed them.
std::size_t DirectNames(const std::string& root, const std::vector<std::string>& names) {
    std::vector<std::wstring> wide;
    wide.reserve(names.size());
    for (const std::string& name : names) wide.push_back(Widen(name));
    std::wstring top = Widen(root);
    if (top.empty() || top.back() != L'\\') top += L'\\';
    return ShellDirectNames(top, wide);
}

bool SamePathText(const std::string& a, const std::string& b) {
    const std::wstring wa = Widen(a), wb = Widen(b);
    return ::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                  TRUE) == CSTR_EQUAL;
}

// One folder of a chain and whether it lies in a file-system folder.
struct TChainLevel {
    std::unique_ptr<TStComboFolder> Folder;
    bool InFileSystemFolder = false;
};

// The first `levels` folders of an absolute identifier list below the desktop (fewer when the shell
// refuses one). path is the list's file-system path when known: past the levels the shell parses in one
// call (ShellDirectNames) the folders are then made from the path's own names, each one's identifier list cut from the
// given one, with no shell query. Under Wine every shell query on a folder resolves its whole path again, so reading
// each level of a folder 1,500 deep from the shell costs the square of the depth. The shell still reads the first
// levels, which give the drives' and the special folders' own names; it reads them all when the path's names do not
// match the list's levels.
std::vector<TChainLevel> ReadChain(PCIDLIST_ABSOLUTE idList, const std::string& path, int levels) {
    std::vector<TChainLevel> out;
    std::string root;
    std::vector<std::string> names;
    const int depth = IdListDepth(idList);
    int shellLevels = levels, rootLevels = 0;  // rootLevels: the levels down to the path's root
    if (!path.empty() && SplitFileSystemPath(path, root, names) && depth > static_cast<int>(names.size())) {
        rootLevels = depth - static_cast<int>(names.size());
        const int direct = std::min(kShellDirectLevels, rootLevels + static_cast<int>(DirectNames(root, names)));
        shellLevels = std::min(levels, std::max(rootLevels, direct));
    }
    TFolderWalk walk(idList);
    auto readFromShell = [&](int upTo) {
        while (static_cast<int>(out.size()) < upTo) {
            auto f = walk.Next();
            if (!f) return false;
            out.push_back({std::move(f), walk.InFileSystemFolder()});
        }
        return true;
    };
    if (!readFromShell(shellLevels) || static_cast<int>(out.size()) >= levels) return out;

    // The names read so far must give the path of the last folder the shell read.
    const int firstName = static_cast<int>(out.size()) - rootLevels;
    std::string at = root;
    for (int i = 0; i < firstName; ++i) at += (at.back() == '\\' ? "" : "\\") + names[i];
    const TStComboFolder& last = *out.back().Folder;
    if (!last.FileSystem || !SamePathText(last.Path, at)) {
        readFromShell(levels);
        return out;
    }
    at = last.Path;
    for (int i = firstName; static_cast<int>(out.size()) < levels; ++i) {
        auto f = std::make_unique<TStComboFolder>();
        const int level = static_cast<int>(out.size()) + 1;
        // The given list's first `level` identifiers and the terminator.
        std::size_t bytes = 0;
        for (int k = 0; k < level; ++k)
            bytes += reinterpret_cast<const ITEMIDLIST*>(reinterpret_cast<const BYTE*>(idList) + bytes)->mkid.cb;
        auto* cut = static_cast<BYTE*>(::CoTaskMemAlloc(bytes + sizeof(USHORT)));
        if (!cut) return out;
        std::memcpy(cut, idList, bytes);
        std::memset(cut + bytes, 0, sizeof(USHORT));
        f->IdList.reset(reinterpret_cast<ITEMIDLIST*>(cut));
        at += (at.back() == '\\' ? "" : "\\") + names[i];
        f->Path = at;
        f->DisplayName = names[i];
        f->FileSystem = true;
        f->Level = level;
        out.push_back({std::move(f), true});
    }
    return out;
}

}  // namespace

int IdListDepth(PCIDLIST_ABSOLUTE idList) {
    int n = 0;
    for (auto p = idList; p && p->mkid.cb;
         p = reinterpret_cast<PCIDLIST_ABSOLUTE>(reinterpret_cast<const BYTE*>(p) + p->mkid.cb))
        ++n;
    return n;
}

int ComboFolderReads() {
    return GFolderReads;
}

std::unique_ptr<TStComboFolder> TStComboFolder::FromIdList(PCIDLIST_ABSOLUTE idList) {
    if (!idList) return nullptr;
    if (ILIsEmpty(idList)) {
        auto f = std::make_unique<TStComboFolder>();
        f->IdList.reset(::ILClone(idList));
        f->Path = DesktopParsingName(idList);
        ReadShellInfo(*f, true);
        if (f->DisplayName.empty()) f->DisplayName = f->Path;
        return f;
    }
    TFolderWalk walk(idList);
    std::unique_ptr<TStComboFolder> f;
    while (!walk.AtEnd())
        if (!(f = walk.Next())) return nullptr;
    if (f) ReadIcon(*f, walk.InFileSystemFolder());
    return f;
}

namespace {

// The folder of an absolute identifier list whose file-system path is known, read as ReadChain reads it.
std::unique_ptr<TStComboFolder> ReadFolder(PCIDLIST_ABSOLUTE idList, const std::string& path) {
    const int levels = IdListDepth(idList);
    std::vector<TChainLevel> read = ReadChain(idList, path, levels);
    if (static_cast<int>(read.size()) < levels) return nullptr;
    std::unique_ptr<TStComboFolder> f = std::move(read.back().Folder);
    ReadIcon(*f, read.back().InFileSystemFolder);
    return f;
}

}  // namespace

std::unique_ptr<TStComboFolder> TStComboFolder::FromFolder(PCIDLIST_ABSOLUTE idList, const std::string& path) {
    if (!idList || ILIsEmpty(idList) || path.empty()) return FromIdList(idList);
    std::string root;
    std::vector<std::string> names;
    const int levels = IdListDepth(idList);
    // A folder as far below its root as ReadChain makes its levels from the path: made the same way here,
    // from the caller's path, without reading the levels above it.
    if (!SplitFileSystemPath(path, root, names) || names.empty() || levels <= static_cast<int>(names.size()) ||
        (levels <= kShellDirectLevels && DirectNames(root, names) == names.size()))
        return ReadFolder(idList, path);
    auto f = std::make_unique<TStComboFolder>();
    f->IdList.reset(::ILClone(idList));
    if (!f->IdList) return nullptr;
    f->Path = path;
    while (f->Path.size() > root.size() && f->Path.back() == '\\') f->Path.pop_back();
    f->DisplayName = names.back();
    f->FileSystem = true;
    f->Level = levels;
    ReadIcon(*f, true);
    return f;
}

std::unique_ptr<TStComboFolder> TStComboFolder::FromPath(const std::string& path) {
    TOwnedIdList own(ParseShellPath(path));
    if (!own) return nullptr;
    return ReadFolder(own.get(), path);
}

std::unique_ptr<TStComboFolder> TStComboFolder::Clone() const {
    auto f = std::make_unique<TStComboFolder>();
    if (IdList) f->IdList.reset(::ILClone(IdList.get()));
    f->Path = Path;
    f->DisplayName = DisplayName;
    f->Level = Level;
    f->Inserted = Inserted;
    f->FileSystem = FileSystem;
    f->Shared = Shared;
    f->IconIndex = IconIndex;
    return f;
}

bool TStComboFolder::IsDesktop() const {
    return IdList && ILIsEmpty(IdList.get());
}

void TStShellComboEntries::Fill(bool openDialogMode) {
    FEntries.clear();
    TOwnedIdList desktopId = SpecialFolder(CSIDL_DESKTOP);
    TOwnedIdList drivesId = SpecialFolder(CSIDL_DRIVES);
    TOwnedIdList networkId = SpecialFolder(CSIDL_NETWORK);
    if (!desktopId) return;
    auto desktop = TStComboFolder::FromIdList(desktopId.get());
    desktop->Level = 0;
    FEntries.push_back(std::move(desktop));
    for (auto& id : SubFolders(desktopId.get()))
        if (auto f = TStComboFolder::FromIdList(id.get())) {
            f->Level = 1;
            FEntries.push_back(std::move(f));
        }
    if (drivesId)
        for (auto& id : SubFolders(drivesId.get()))
            if (auto f = TStComboFolder::FromIdList(id.get())) {
                f->Level = 2;
                FEntries.push_back(std::move(f));
            }

    if (openDialogMode) {
        for (int i = Count() - 1; i >= 0; --i) {
            const TStComboFolder& e = At(i);
            if (e.FileSystem) continue;
            const bool keep = e.Level != 2 && (SameIdList(e.IdList.get(), drivesId.get()) ||
                                               SameIdList(e.IdList.get(), networkId.get()) || e.IsDesktop());
            if (!keep) FEntries.erase(FEntries.begin() + i);
        }
    }

    // The desktop's own order of full identifier lists puts each folder's children after it.
    TComPtr<IShellFolder> shell;
    if (SUCCEEDED(::SHGetDesktopFolder(shell.Put()))) {
        std::stable_sort(FEntries.begin(), FEntries.end(), [&](const auto& a, const auto& b) {
            HRESULT hr = shell->CompareIDs(0, a->IdList.get(), b->IdList.get());
            return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
        });
    }
    auto top = std::find_if(FEntries.begin(), FEntries.end(), [](const auto& e) { return e->IsDesktop(); });
    if (top != FEntries.end()) std::rotate(FEntries.begin(), top, top + 1);
}

std::vector<std::string> TStShellComboEntries::Texts() const {
    std::vector<std::string> out;
    for (const auto& e : FEntries) out.push_back(e->DisplayName);
    return out;
}

int TStShellComboEntries::IndexOfPath(const std::string& path) const {
    for (int i = 0; i < Count(); ++i)
        if (At(i).Path == path) return i;
    return -1;
}

int TStShellComboEntries::IndexOfText(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (At(i).DisplayName == text) return i;
    return -1;
}

int TStShellComboEntries::ShowPath(const TStComboFolder& folder) {
    // Every entry inserted for the previous folder goes, wherever it lies: stopping at the folder's own
    // entry would leave the chain of a folder on an earlier drive behind.
    for (int i = Count() - 1; i >= 0; --i)
        if (At(i).Inserted) FEntries.erase(FEntries.begin() + i);
    if (IndexOfPath(folder.Path) >= 0 || !folder.IdList) return IndexOfPath(folder.Path);

    // The folder's ancestors below the desktop, each read once from its parent.
    const int levels = IdListDepth(folder.IdList.get()) - 1;
    std::vector<TChainLevel> read = ReadChain(folder.IdList.get(), folder.FileSystem ? folder.Path : "", levels);
    if (static_cast<int>(read.size()) < levels) return IndexOfPath(folder.Path);
    std::vector<std::unique_ptr<TStComboFolder>> chain;
    std::vector<bool> inFileSystem;
    for (auto& level : read) {
        chain.push_back(std::move(level.Folder));
        inFileSystem.push_back(level.InFileSystemFolder);
    }
    // The nearest ancestor that has an entry (by its text) takes the chain below it; when none has one,
    // nothing is inserted (the desktop is no ancestor here).
    int anchor = -1;
    std::size_t found = chain.size();  // the ancestor that has it
    while (found > 0 && anchor < 0) anchor = IndexOfText(chain[--found]->DisplayName);
    if (anchor < 0) return IndexOfPath(folder.Path);
    int at = anchor + 1;
    for (std::size_t i = found + 1; i < chain.size(); ++i) {
        ReadIcon(*chain[i], inFileSystem[i]);
        chain[i]->Inserted = true;
        FEntries.insert(FEntries.begin() + at++, std::move(chain[i]));
    }
    auto own = folder.Clone();
    own->Inserted = true;
    own->Level = IdListDepth(own->IdList.get());
    FEntries.insert(FEntries.begin() + at, std::move(own));
    return IndexOfPath(folder.Path);
}
