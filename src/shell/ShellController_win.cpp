#include "shell/ShellController_win.h"

#include <oleauto.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "platform/DirList.h"
#include "platform/ErrorMode.h"
#include "platform/Exception.h"
#include "platform/LongPath_win.h"
#include "platform/WinText.h"
#include "shell/ShellPath_win.h"
#include "ui/Forms.h"

namespace {
void FreePidl(_ITEMIDLIST* pidl) {
    ::CoTaskMemFree(pidl);
}
// What an item is, from its SFGAO_FILESYSTEM and SFGAO_FOLDER attributes.
void ApplyKindAttributes(TStShellItem& item, SFGAOF attrs) {
    item.IsFileSystem = (attrs & SFGAO_FILESYSTEM) != 0;
    item.IsFileSystemFolder = item.IsFileSystem && (attrs & SFGAO_FOLDER);
    item.IsFile = item.IsFileSystem && !(attrs & SFGAO_FOLDER);
}
// The desktop's own list: just the terminator.
const ITEMIDLIST& EmptyList() {
    static const ITEMIDLIST empty{};
    return empty;
}
// One copy of a folder's absolute list for all its children.
std::shared_ptr<const _ITEMIDLIST> SharedIdList(LPCITEMIDLIST folder) {
    return std::shared_ptr<const _ITEMIDLIST>(::ILClone(folder ? folder : &EmptyList()), [](const _ITEMIDLIST* p) {
        ::CoTaskMemFree(const_cast<_ITEMIDLIST*>(p));
    });
}
std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}
// The class name registered for an extension; empty when the extension is not registered.
std::wstring ClassOf(const std::string& ext) {
    wchar_t cls[256] = {};
    LONG size = sizeof(cls);
    if (::RegQueryValueW(HKEY_CLASSES_ROOT, Widen(ext).c_str(), cls, &size) != ERROR_SUCCESS) return {};
    return cls[0] ? std::wstring(cls) : std::wstring(L" ");
}
bool HasValue(const std::wstring& key, const wchar_t* value) {
    return ::SHGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}
}  // namespace

std::shared_ptr<IShellFolder> SharedFolder(IShellFolder* folder) {
    if (!folder) return nullptr;
    folder->AddRef();
    return std::shared_ptr<IShellFolder>(folder, [](IShellFolder* f) { f->Release(); });
}

TPidl ClonePidl(LPCITEMIDLIST pidl) {
    return TPidl(pidl ? ::ILClone(pidl) : nullptr);
}

bool SamePidl(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b) return a == b;
    return ::ILIsEqual(a, b) != FALSE;
}

std::string DateTimeText(double date) {
    SYSTEMTIME st{};
    if (!::VariantTimeToSystemTime(date, &st)) return {};
    wchar_t d[128] = {}, t[128] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, 128);
    std::string text = Narrow(d);
    if (st.wHour || st.wMinute || st.wSecond) {
        ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, t, 128);
        text += " " + Narrow(t);
    }
    return text;
}

TStShellController::TStShellController() {
    PidlFreeFunction = FreePidl;
    IShellFolder* desktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&desktop)) || !desktop)
        throw Exception("The shell's desktop folder is not available");
    FDesktop = std::shared_ptr<IShellFolder>(desktop, [](IShellFolder* f) { f->Release(); });
    // The system image lists are shared with the whole process: never destroyed here.
    SHFILEINFOW sfi{};
    FSmallImages = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    FLargeImages = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    FindShortcutOverlay();
    DWORD hide = 0, size = sizeof(hide);
    FHideKnownExtensions =
        ::SHGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                      L"HideFileExt", nullptr, &hide, &size) == ERROR_SUCCESS &&
        hide != 0;
    ::RegisterClipboardFormatW(L"FileContents");
    ::RegisterClipboardFormatW(L"FileGroupDescriptor");
}

TStShellController::~TStShellController() = default;

void TStShellController::FindShortcutOverlay() {
    // The overlay index of a shortcut, asked of the shell for an empty "temp.lnk"; with that interface
    // present, the icon of ntdetect.com in the boot folder replaces the generic icon.
    wchar_t temp[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH, temp)) return;
    std::wstring file = std::wstring(temp) + L"temp.lnk";
    {
        THandle<TFileHandleTraits> h(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!h) return;
    }
    TPidl folderPidl = ParseDisplayName(Narrow(temp));
    if (std::shared_ptr<IShellFolder> folder = folderPidl ? BindAbsolute(folderPidl.get()) : nullptr) {
        TComPtr<IShellIconOverlay> overlay;
        if (SUCCEEDED(folder->QueryInterface(IID_IShellIconOverlay, overlay.PutVoid())) && overlay) {
            TPidl child = ParseDisplayName("temp.lnk", folder.get());
            int index = -1;
            if (child && SUCCEEDED(overlay->GetOverlayIndex(child.get(), &index))) ShortcutOverlayIndex = index;
            wchar_t boot[MAX_PATH] = {};
            DWORD size = sizeof(boot);
            if (::SHGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", L"BootDir",
                              nullptr, boot, &size) == ERROR_SUCCESS) {
                std::wstring ntdetect = std::wstring(boot);
                if (!ntdetect.empty() && ntdetect.back() != L'\\') ntdetect += L'\\';
                ntdetect += L"ntdetect.com";
                SHFILEINFOW sfi{};
                if (::SHGetFileInfoW(ntdetect.c_str(), 0, &sfi, sizeof(sfi), SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
                    SubstituteIconIndex = sfi.iIcon;
            }
        }
    }
    ::DeleteFileW(file.c_str());
}

TPidl TStShellController::ClonePidl(const _ITEMIDLIST* pidl) const {
    return ::ClonePidl(pidl);
}

TPidl TStShellController::CombinePidl(const _ITEMIDLIST* folder, const _ITEMIDLIST* child) const {
    return TPidl(::ILCombine(folder, child));
}

std::string TStShellController::GetItemName(IShellFolder* folder, LPCITEMIDLIST child, DWORD form) const {
    if (!folder) return {};
    STRRET ret{};
    if (FAILED(folder->GetDisplayNameOf(child, form, &ret))) return {};
    // StrRetToStrW handles all three forms (wide, offset into the list, ANSI) and frees the wide one.
    wchar_t* text = nullptr;
    if (FAILED(::StrRetToStrW(&ret, child, &text)) || !text) return {};
    std::string name = Narrow(text);
    ::CoTaskMemFree(text);
    return name;
}

TComPtr<IShellFolder> TStShellController::BindToFolder(IShellFolder* folder, LPCITEMIDLIST child) const {
    TComPtr<IShellFolder> result;
    if (!folder) folder = Desktop();
    if (!child || ILIsEmpty(child)) {
        folder->AddRef();
        *result.Put() = folder;
        return result;
    }
    if (FAILED(folder->BindToObject(child, nullptr, IID_IShellFolder, result.PutVoid()))) result.Reset();
    return result;
}

std::shared_ptr<IShellFolder> TStShellController::BindAbsolute(LPCITEMIDLIST absolute) const {
    if (!absolute || ILIsEmpty(absolute)) return FDesktop;
    TComPtr<IShellFolder> f = BindShellFolder(Desktop(), absolute);
    return f ? SharedFolder(f.Get()) : nullptr;
}

TPidl TStShellController::ParseDisplayName(const std::string& text, IShellFolder* folder) const {
    if (!folder) return TPidl(::ParseShellPath(text));
    std::wstring w = Widen(text);
    LPITEMIDLIST pidl = nullptr;
    ULONG eaten = 0;
    if (FAILED(folder->ParseDisplayName(nullptr, nullptr, w.data(), &eaten, &pidl, nullptr))) return nullptr;
    return TPidl(pidl);
}

std::shared_ptr<IShellFolder> TStShellController::GetParentFolder(LPCITEMIDLIST absolute) const {
    if (!absolute || ILIsEmpty(absolute)) return nullptr;
    TPidl parent = ::ClonePidl(absolute);
    ::ILRemoveLastID(parent.get());
    return BindAbsolute(parent.get());
}

void TStShellController::InitItem(TStShellItem& item, LPCITEMIDLIST absolute) {
    item.Controller = this;
    item.AbsoluteIdList = ::ClonePidl(absolute);
    LPCITEMIDLIST last = absolute ? ::ILFindLastID(absolute) : nullptr;
    item.RelativeIdList = ::ClonePidl(last);
    item.ParentFolder = GetParentFolder(absolute);
    if (!item.ParentFolder) item.ParentFolder = FDesktop;
    bool desktop = !absolute || ILIsEmpty(absolute);
    item.IsDesktop = desktop;
    if (desktop) {
        // The desktop names itself through its own empty list.
        item.Path = GetItemName(Desktop(), absolute, SHGDN_FORPARSING);
        item.DisplayName = GetItemName(Desktop(), absolute, SHGDN_NORMAL);
        return;
    }
    item.Path = GetItemName(item.ParentFolder.get(), last, SHGDN_FORPARSING);
    item.DisplayName = NetworkDisplayName(item.Path, GetItemName(item.ParentFolder.get(), last, SHGDN_NORMAL));
    SFGAOF attrs = SFGAO_FILESYSTEM | SFGAO_FOLDER;
    if (FAILED(item.ParentFolder->GetAttributesOf(1, &last, &attrs))) attrs = 0;
    ApplyKindAttributes(item, attrs);
}

std::unique_ptr<TStShellItem> TStShellController::CreateItem(LPCITEMIDLIST absolute) {
    auto item = std::make_unique<TStShellItem>(this);
    InitItem(*item, absolute);
    return item;
}

std::unique_ptr<TStShellFolder> TStShellController::CreateFolder(LPCITEMIDLIST absolute) {
    auto item = std::make_unique<TStShellFolder>(this);
    InitItem(*item, absolute);
    return item;
}

std::unique_ptr<TStShellFolder> TStShellController::CreateFolder(LPCITEMIDLIST absolute, const std::string& path) {
    if (path.size() < MAX_PATH || !absolute || ILIsEmpty(absolute) || !SystemDirLister().FolderExists(path))
        return CreateFolder(absolute);
    auto item = std::make_unique<TStShellFolder>(this);
    item->Controller = this;
    item->AbsoluteIdList = ::ClonePidl(absolute);
    item->RelativeIdList = ::ClonePidl(::ILFindLastID(absolute));
    TPidl parent = ::ClonePidl(absolute);
    ::ILRemoveLastID(parent.get());
    item->FolderIdList = SharedIdList(parent.get());
    item->Listed = true;
    item->Path = path;
    while (item->Path.size() > 3 && item->Path.back() == '\\') item->Path.pop_back();
    item->DisplayName = std::string(FileNameOf(item->Path));
    item->IsFileSystem = true;
    item->IsFileSystemFolder = true;
    item->Attributes = FILE_ATTRIBUTE_DIRECTORY;
    return item;
}

void TStShellController::EnumerateFolder(LPCITEMIDLIST folderList, bool inFileSystem, int mode, TStEnumSink* sink,
                                         TStShellFolderList* folders) {
    std::shared_ptr<IShellFolder> folder = BindAbsolute(folderList);
    if (!folder) folder = FDesktop;

    // A folder outside the file system may take a while before its first child arrives.
    bool searching = false;
    if (sink && mode == 1 && !inFileSystem) {
        sink->SinkSearching(true);
        searching = true;
    }
    struct TSearchEnd {
        TStEnumSink* Sink;
        bool& Searching;
        ~TSearchEnd() {
            if (Searching) Sink->SinkSearching(false);
        }
    } searchEnd{sink, searching};

    SHCONTF flags = SHCONTF_FOLDERS;
    if (mode != 2) flags |= SHCONTF_NONFOLDERS;
    if (sink && sink->SinkShowHidden()) flags |= SHCONTF_INCLUDEHIDDEN;
    TComPtr<IEnumIDList> enumerator;
    HRESULT hr = folder->EnumObjects(nullptr, flags, enumerator.Put());
    if (hr != S_OK || !enumerator) return;

    // The children share one copy of the folder's list.
    std::shared_ptr<const _ITEMIDLIST> folderShared = SharedIdList(folderList);
    try {
        for (;;) {
            LPITEMIDLIST raw = nullptr;
            ULONG fetched = 0;
            if (enumerator->Next(1, &raw, &fetched) != S_OK || fetched == 0 || !raw) {
                if (raw) ::CoTaskMemFree(raw);
                break;
            }
            TPidl child(raw);
            if (searching) {
                sink->SinkSearching(false);
                searching = false;
            }
            LPCITEMIDLIST c = child.get();
            SFGAOF attrs = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_SHARE;
            if (FAILED(folder->GetAttributesOf(1, &c, &attrs))) attrs = 0;
            std::unique_ptr<TStShellItem> item = mode == 2 ? std::unique_ptr<TStShellItem>(new TStShellFolder(this))
                                                           : std::make_unique<TStShellItem>(this);
            item->FolderIdList = folderShared;
            item->ParentFolder = folder;
            item->Path = GetItemName(folder.get(), c, SHGDN_FORPARSING);
            ApplyKindAttributes(*item, attrs);
            item->RelativeIdList = std::move(child);
            if (mode == 2 || (sink && sink->SinkOptimization() == otDisplay))
                item->DisplayName = GetIconInfo(*item);
            else
                item->DisplayName = GetItemName(folder.get(), c, SHGDN_NORMAL);
            item->DisplayName = NetworkDisplayName(item->Path, item->DisplayName);
            if (mode == 2) {
                if (folders)
                    folders->Add(std::unique_ptr<TStShellFolder>(static_cast<TStShellFolder*>(item.release())));
            } else if (sink) {
                sink->SinkItem(std::move(item));
            }
        }
    } catch (const std::exception& e) {
        if (Application)
            Application->MessageBox(std::string("Error reading directory.\r\n\r\n") + e.what(), Application->Title(),
                                    MB_OK | MB_ICONWARNING);
    }
}

bool TStShellController::IconFollowsExtension(const std::string& ext) {
    auto known = FExtensionChecked.find(ext);
    if (known != FExtensionChecked.end()) return known->second;
    // Programs, shortcuts and icon files carry their own icons; so does any type whose default icon is
    // the file itself ("%1") or that has an icon handler.
    static const char* const own[] = {".exe", ".lnk", ".ico", ".cur", ".ani", ".url", ".pif", ".scf", ".dll", ".cpl"};
    bool follows = ext.size() > 1;
    for (const char* e : own)
        if (ext == e) follows = false;
    if (follows) {
        wchar_t cls[256] = {};
        LONG size = sizeof(cls);
        if (::RegQueryValueW(HKEY_CLASSES_ROOT, Widen(ext).c_str(), cls, &size) == ERROR_SUCCESS && cls[0]) {
            std::wstring key = cls;
            wchar_t icon[MAX_PATH] = {};
            size = sizeof(icon);
            if (::RegQueryValueW(HKEY_CLASSES_ROOT, (key + L"\\DefaultIcon").c_str(), icon, &size) == ERROR_SUCCESS &&
                std::wstring(icon).find(L"%1") != std::wstring::npos)
                follows = false;
            HKEY handler = nullptr;
            if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (key + L"\\shellex\\IconHandler").c_str(), 0, KEY_READ, &handler) ==
                ERROR_SUCCESS) {
                ::RegCloseKey(handler);
                follows = false;
            }
        }
    }
    FExtensionChecked[ext] = follows;
    return follows;
}

std::string TStShellController::IconExtension(const TStShellItem& item) {
    if (!item.IsFile || !(item.Listed || (item.ParentFolder && item.RelativeIdList))) return {};
    std::string ext = LowerAscii(ExtensionOf(item.Path));
    return IconFollowsExtension(ext) ? ext : std::string();
}

bool TStShellController::KnownIcon(TStShellItem& item) {
    std::string ext = IconExtension(item);
    auto it = ext.empty() ? FIconByExtension.end() : FIconByExtension.find(ext);
    if (it == FIconByExtension.end()) return false;
    item.FIconIndex = item.FOpenIconIndex = it->second;
    item.FOverlayIndex = -1;
    return true;
}

std::string TStShellController::GetIconInfo(TStShellItem& item) {
    // A plain file whose type's icon is already known: only its name is asked for (a listed row has
    // its name already).
    std::string ext = IconExtension(item);
    if (KnownIcon(item))
        return item.Listed ? item.DisplayName
                           : GetItemName(item.ParentFolder.get(), item.RelativeIdList.get(), SHGDN_NORMAL);
    // A file whose data is off the disk is never opened for its icon (a program's own icon or an icon
    // handler would fetch it): it gets its type's icon, asked for by name and attributes only. Where the
    // listing has not given the attributes, they are asked for only for the types the shell opens.
    if (item.IsFile && item.IsFileSystem) {
        const DWORD attributes = item.Attributes ? item.Attributes
                                 : ext.empty()   ? ::GetFileAttributesW(LongPath(item.Path).c_str())
                                                 : 0;
        if (attributes != INVALID_FILE_ATTRIBUTES && IsDataOffDisk(attributes)) {
            SHFILEINFOW sfi{};
            ::SHGetFileInfoW(Widen(std::string(FileNameOf(item.Path))).c_str(), FILE_ATTRIBUTE_NORMAL, &sfi,
                             sizeof(sfi), SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
            item.FIconIndex = item.FOpenIconIndex = sfi.iIcon;
            item.FOverlayIndex = -1;
            if (item.Listed || !item.ParentFolder || !item.RelativeIdList) return item.DisplayName;
            return GetItemName(item.ParentFolder.get(), item.RelativeIdList.get(), SHGDN_NORMAL);
        }
    }
    TPidl full = item.FullIdList();
    if (!full && item.Listed) {
        // A listed row the shell cannot name (a path past its reach): the icon of its kind of entry.
        SHFILEINFOW sfi{};
        std::wstring name = Widen(std::string(FileNameOf(item.Path)));
        ::SHGetFileInfoW(name.c_str(), item.Attributes ? item.Attributes : FILE_ATTRIBUTE_NORMAL, &sfi, sizeof(sfi),
                         SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        item.FIconIndex = item.FOpenIconIndex = sfi.iIcon;
        item.FOverlayIndex = -1;
        return item.DisplayName;
    }
    SHFILEINFOW sfi{};
    sfi.dwAttributes = SFGAO_FOLDER | SFGAO_SHARE | SFGAO_LINK;
    LPCITEMIDLIST pidl = full.get();
    if (!pidl) {
        item.FIconIndex = item.FOpenIconIndex = 0;
        item.FOverlayIndex = -1;
        return item.DisplayName;
    }
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &sfi, sizeof(sfi),
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES |
                         SHGFI_ATTR_SPECIFIED);
    int icon = sfi.iIcon;
    if (icon == 2 && SubstituteIconIndex >= 0) icon = SubstituteIconIndex;
    item.FIconIndex = icon;
    item.FOpenIconIndex = icon;
    if (sfi.dwAttributes & SFGAO_FOLDER) {
        SHFILEINFOW open{};
        if (::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &open, sizeof(open),
                             SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON))
            item.FOpenIconIndex = open.iIcon;
    }
    item.FOverlayIndex = (sfi.dwAttributes & SFGAO_SHARE) ? 0 : (sfi.dwAttributes & SFGAO_LINK) ? 1 : -1;
    if (!ext.empty() && item.FOverlayIndex == -1 && !(sfi.dwAttributes & SFGAO_FOLDER)) FIconByExtension[ext] = icon;
    return item.Listed ? item.DisplayName : Narrow(sfi.szDisplayName);
}

std::uint32_t TStShellController::QueryAttributes(const TStShellItem& item, std::uint32_t mask) const {
    // A listed row answers what its file attributes say exactly as the shell would, so drawing a row
    // (hidden rows look cut, compressed ones take a colour) needs no shell object.
    std::uint32_t known = 0;
    if (item.Listed) {
        const bool directory = (item.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        known = saFileSystem | (item.Attributes & FILE_ATTRIBUTE_HIDDEN ? saHidden : 0) |
                (item.Attributes & FILE_ATTRIBUTE_COMPRESSED ? saCompressed : 0) | (directory ? saFolder : 0);
        const std::uint32_t answered = saFileSystem | saHidden | saCompressed | (directory ? saFolder : 0);
        known &= mask;
        mask &= ~answered;
        if (!mask) return known;
    }
    if (!item.ShellObjects()) return known;
    static const std::pair<std::uint32_t, SFGAOF> map[] = {{saFolder, SFGAO_FOLDER},
                                                           {saFileSystem, SFGAO_FILESYSTEM},
                                                           {saCanRename, SFGAO_CANRENAME},
                                                           {saHasSubFolder, SFGAO_HASSUBFOLDER},
                                                           {saCompressed, SFGAO_COMPRESSED},
                                                           {saHidden, SFGAO_HIDDEN},
                                                           {saLink, SFGAO_LINK},
                                                           {saShared, SFGAO_SHARE}};
    SFGAOF asked = 0;
    for (auto& m : map)
        if (mask & m.first) asked |= m.second;
    LPCITEMIDLIST child = item.RelativeIdList.get();
    SFGAOF attrs = asked;
    if (FAILED(item.ParentFolder->GetAttributesOf(1, &child, &attrs))) return known;
    std::uint32_t result = 0;
    for (auto& m : map)
        if ((mask & m.first) && (attrs & m.second)) result |= m.first;
    return result | known;
}

int TStShellController::CompareNames(const TStShellItem& a, const TStShellItem& b) {
    IShellFolder* folder = a.ParentFolder ? a.ParentFolder.get() : Desktop();
    HRESULT hr = folder->CompareIDs(0, a.RelativeIdList.get(), b.RelativeIdList.get());
    return static_cast<short>(HRESULT_CODE(hr));
}

bool TStShellController::InvokeDefault(TStShellItem& item) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_INVOKEIDLIST;
    TPidl full = item.FullIdList();
    info.lpIDList = full.get();
    info.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExW(&info) != FALSE;
}

bool TStShellController::FindByPath(const std::string& path, WIN32_FIND_DATAW& data) {
    if (path.empty()) return false;
    // A drive's root has no find data on Windows (Wine finds one): drives are system folders.
    std::string_view p = path;
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.remove_suffix(1);
    if (p.size() <= 3 && p.size() >= 2 && p[1] == ':') return false;
    THandle<TFindHandleTraits> find(::FindFirstFileW(LongPath(path).c_str(), &data));
    return static_cast<bool>(find);
}

void TStShellController::ApplyFindData(TStShellItem& item, const WIN32_FIND_DATAW& data) {
    // The full 64-bit size: high half x 2^32 + low half.
    item.FSize = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        item.IsFileSystemFolder = true;
        item.FSize = 0;
    }
    FILETIME local{};
    WORD dosDate = 0, dosTime = 0;
    ::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    item.FileDate =
        ::FileTimeToDosDateTime(&local, &dosDate, &dosTime) ? (static_cast<std::uint32_t>(dosDate) << 16) | dosTime : 0;
    SYSTEMTIME st{};
    double date = 0;
    if (item.FileDate != 0) {
        ::DosDateTimeToVariantTime(dosDate, dosTime, &date);
    } else if (::FileTimeToSystemTime(&local, &st)) {
        ::SystemTimeToVariantTime(&st, &date);
    }
    item.FModifiedDate = date;
    item.Attributes = data.dwFileAttributes;
    item.AttributeText = AttributeLetters(item.Attributes);
}

void TStShellController::LoadStats(TStShellItem& item) {
    if (!item.IsFileSystem) return;
    TCriticalErrorScope quiet;
    // A file search by path gives the full 64-bit size; the shell's find data from the identifier list
    // keeps only 32 bits of it under Wine. The identifier list serves where the path finds nothing.
    WIN32_FIND_DATAW data{};
    if (FindByPath(item.Path, data) ||
        (item.ParentFolder && item.RelativeIdList &&
         SUCCEEDED(::SHGetDataFromIDListW(item.ParentFolder.get(), item.RelativeIdList.get(), SHGDFIL_FINDDATA, &data,
                                          sizeof(data))))) {
        ApplyFindData(item, data);
    } else {
        item.FSize = 0;
    }
}

int TStShellController::ShowShellMenu(HWND owner, bool extended, bool allowRename, IShellFolder* folder,
                                      const std::vector<LPCITEMIDLIST>& children, POINT at) {
    if (!folder || children.empty()) return -1;
    TComPtr<IContextMenu> menu;
    std::vector<LPCITEMIDLIST> list(children);
    if (FAILED(folder->GetUIObjectOf(owner, static_cast<UINT>(list.size()), list.data(), IID_IContextMenu, nullptr,
                                     menu.PutVoid())) ||
        !menu)
        return -1;
    THandle<TMenuTraits> popup(::CreatePopupMenu());
    UINT flags = CMF_NORMAL | CMF_EXPLORE;
    if (extended && (::GetKeyState(VK_SHIFT) < 0)) flags |= CMF_EXTENDEDVERBS;
    if (allowRename) flags |= CMF_CANRENAME;
    constexpr UINT kFirstCommand = 1;
    if (FAILED(menu->QueryContextMenu(popup.Get(), 0, kFirstCommand, 0x7FFF, flags))) return -1;
    UINT chosen = ::TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    if (chosen < kFirstCommand) return -1;
    int id = static_cast<int>(chosen - kFirstCommand);
    char verb[64] = {};
    if (SUCCEEDED(menu->GetCommandString(id, GCS_VERBA, nullptr, verb, sizeof(verb))) && lstrcmpiA(verb, "rename") == 0)
        return 19;  // the caller starts editing the row instead
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(id);
    info.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&info);
    return id;
}

TPidl TStShellController::RenameItem(TStShellItem& item, const std::string& newName, HWND owner) {
    if (!item.ShellObjects()) return nullptr;
    std::wstring w = Widen(newName);
    LPITEMIDLIST renamed = nullptr;
    if (FAILED(item.ParentFolder->SetNameOf(owner, item.RelativeIdList.get(), w.c_str(), SHGDN_NORMAL, &renamed)) ||
        !renamed)
        return nullptr;
    return TPidl(renamed);
}

// ---------------------------------------------------------------------------------------------------------------
// Rows from the directory listing

bool TStShellController::ListFolder(LPCITEMIDLIST folder, const std::string& path, TStEnumSink* sink) {
    const bool showHidden = sink && sink->SinkShowHidden();
    const bool icons = sink && sink->SinkOptimization() == otDisplay;
    std::shared_ptr<const _ITEMIDLIST> shared = SharedIdList(folder);
    // Each entry becomes a row as the listing meets it; one entry object serves them all.
    TDirItem entry;
    bool sent = false;
    TCriticalErrorScope quiet;
    const TDirStatus status = SystemDirLister().List(path, "*", [&](const TDirEntry& e) {
        entry.Attributes = e.Attributes();
        if ((entry.Attributes & FILE_ATTRIBUTE_HIDDEN) && !showHidden) return true;
        entry.Name.assign(e.Name());
        entry.Size = e.Size();
        entry.LastWriteTime = e.LastWriteTime();
        std::unique_ptr<TStShellItem> item = CreateListedItem(shared, path, entry);
        if (icons) KnownIcon(*item);
        sent = true;
        if (sink) sink->SinkItem(std::move(item));
        return true;
    });
    return status == TDirStatus::Ok || sent;
}

std::unique_ptr<TStShellItem> TStShellController::CreateListedItem(const std::shared_ptr<const _ITEMIDLIST>& folder,
                                                                   const std::string& path, const TDirItem& entry) {
    auto item = std::make_unique<TStShellItem>(this);
    item->Listed = true;
    item->FolderIdList = folder;
    item->Path = path;
    if (item->Path.empty() || item->Path.back() != '\\') item->Path += '\\';
    item->Path += entry.Name;
    const bool directory = entry.IsDirectory();
    item->IsFileSystem = true;
    item->IsFileSystemFolder = directory;
    item->IsFile = !directory;
    WIN32_FIND_DATAW data{};
    data.dwFileAttributes = entry.Attributes;
    data.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(entry.Size) >> 32);
    data.nFileSizeLow = static_cast<DWORD>(entry.Size);
    data.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(entry.LastWriteTime);
    data.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(entry.LastWriteTime) >> 32);
    ApplyFindData(*item, data);
    if (directory) item->FSize = -1;  // a folder's figures are its totals, asked for once it is a row
    item->DisplayName = NetworkDisplayName(item->Path, directory ? entry.Name : ShownFileName(entry.Name));
    return item;
}

std::string TStShellController::ShownFileName(const std::string& name) {
    const std::string ext = LowerAscii(ExtensionOf(name));
    if (ext.size() < 2 || ext.size() == name.size()) return name;
    auto known = FHideExtension.find(ext);
    if (known == FHideExtension.end()) {
        const std::wstring cls = ClassOf(ext);
        bool hide = FHideKnownExtensions && !cls.empty();
        if (!cls.empty() && cls != L" ") {
            if (HasValue(cls, L"NeverShowExt")) hide = true;
            if (HasValue(cls, L"AlwaysShowExt")) hide = false;
        }
        known = FHideExtension.emplace(ext, hide).first;
    }
    return known->second ? name.substr(0, name.size() - ext.size()) : name;
}

bool TStShellController::MakeShellObjects(const TStShellItem& item) const {
    if (item.ParentFolder && item.RelativeIdList) return true;
    if (!item.Listed || !item.FolderIdList) return false;
    if (!item.ParentFolder) {
        if (FBoundList != item.FolderIdList) {
            FBoundFolder = BindAbsolute(item.FolderIdList.get());
            FBoundList = item.FolderIdList;
        }
        item.ParentFolder = FBoundFolder;
    }
    if (!item.ParentFolder) return false;
    if (!item.RelativeIdList)
        item.RelativeIdList = ChildByName(item.ParentFolder.get(), std::string(FileNameOf(item.Path)));
    return item.RelativeIdList != nullptr;
}

TPidl TStShellController::ChildByName(IShellFolder* folder, const std::string& name) const {
    constexpr DWORD kFileName = SHGDN_INFOLDER | SHGDN_FORPARSING;
    TPidl child = ParseDisplayName(name, folder);
    if (child && GetItemName(folder, child.get(), kFileName) == name) return child;
    // Not parsed, or parsed into another entry ("a." into "a"): the folder's own child of that name.
    TComPtr<IEnumIDList> enumerator;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, enumerator.Put()) !=
            S_OK ||
        !enumerator)
        return nullptr;
    for (;;) {
        LPITEMIDLIST raw = nullptr;
        ULONG fetched = 0;
        if (enumerator->Next(1, &raw, &fetched) != S_OK || fetched == 0 || !raw) {
            if (raw) ::CoTaskMemFree(raw);
            return nullptr;
        }
        TPidl candidate(raw);
        if (GetItemName(folder, candidate.get(), kFileName) == name) return candidate;
    }
}
