#include "shell/ShellComboEntries.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/WinHandle.h"
#include "platform/WinText.h"

namespace {

std::string ParsingName(PCIDLIST_ABSOLUTE idList) {
    wchar_t* name = nullptr;
    std::string out;
    if (SUCCEEDED(::SHGetNameFromIDList(idList, SIGDN_DESKTOPABSOLUTEPARSING, &name)) && name) out = Narrow(name);
    ::CoTaskMemFree(name);
    return out;
}

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

}  // namespace

int IdListDepth(PCIDLIST_ABSOLUTE idList) {
    int n = 0;
    for (auto p = idList; p && p->mkid.cb; p = reinterpret_cast<PCIDLIST_ABSOLUTE>(
                                                reinterpret_cast<const BYTE*>(p) + p->mkid.cb))
        ++n;
    return n;
}

std::unique_ptr<TStComboFolder> TStComboFolder::FromIdList(PCIDLIST_ABSOLUTE idList) {
    if (!idList) return nullptr;
    auto f = std::make_unique<TStComboFolder>();
    f->IdList.reset(::ILClone(idList));
    f->Path = ParsingName(idList);
    SHFILEINFOW info = {};
    DWORD_PTR ok = ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(idList), 0, &info, sizeof info,
                                    SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON |
                                        SHGFI_ATTRIBUTES);
    if (ok) {
        f->DisplayName = Narrow(info.szDisplayName);
        f->IconIndex = info.iIcon;
        f->FileSystem = info.dwAttributes & SFGAO_FILESYSTEM;
        f->Shared = info.dwAttributes & SFGAO_SHARE;
    }
    if (f->DisplayName.empty()) {
        size_t slash = f->Path.find_last_of('\\', f->Path.size() > 1 ? f->Path.size() - 2 : 0);
        f->DisplayName = slash == std::string::npos ? f->Path : f->Path.substr(slash + 1);
    }
    f->Level = IdListDepth(idList);
    return f;
}

std::unique_ptr<TStComboFolder> TStComboFolder::FromPath(const std::string& path) {
    PIDLIST_ABSOLUTE p = nullptr;
    if (FAILED(::SHParseDisplayName(Widen(path).c_str(), nullptr, &p, 0, nullptr)) || !p) return nullptr;
    TOwnedIdList own(p);
    return FromIdList(own.get());
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
    bool found = false;
    for (int i = Count() - 1; i >= 0; --i)
        if (At(i).Inserted) FEntries.erase(FEntries.begin() + i);
    found = IndexOfPath(folder.Path) >= 0;
    if (!found && folder.IdList) {
        // Walk up from the folder's parent to the first ancestor that has an entry (by its text).
        std::vector<std::unique_ptr<TStComboFolder>> chain;
        chain.push_back(folder.Clone());
        TOwnedIdList up(::ILClone(folder.IdList.get()));
        int anchor = -1;
        bool anchorIsDesktop = false;
        while (up && ::ILRemoveLastID(up.get())) {
            auto ancestor = TStComboFolder::FromIdList(up.get());
            if (!ancestor) break;
            anchor = IndexOfText(ancestor->DisplayName);
            if (anchor >= 0) {
                anchorIsDesktop = ancestor->IsDesktop();
                break;
            }
            if (ancestor->IsDesktop()) break;
            chain.push_back(std::move(ancestor));
        }
        if (anchor >= 0 && !anchorIsDesktop) {
            // Right below the matching entry, the outermost folder first.
            int at = anchor + 1;
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
                (*it)->Inserted = true;
                (*it)->Level = IdListDepth((*it)->IdList.get());
                FEntries.insert(FEntries.begin() + at++, std::move(*it));
            }
        }
    }
    return IndexOfPath(folder.Path);
}
