#include "shell/ShellPath_win.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/ComObject_win.h"
#include "platform/LongPath_win.h"
#include "platform/WinText.h"

namespace {

struct TIdListFree {
    void operator()(void* p) const { ::CoTaskMemFree(p); }
};
using TIdList = std::unique_ptr<ITEMIDLIST, TIdListFree>;

// Parses text relative to folder: a one-level (or, from the desktop, a rooted) list; null on failure.
TIdList Parse(IShellFolder* folder, std::wstring text) {
    PIDLIST_RELATIVE list = nullptr;
    ULONG eaten = 0;
    if (FAILED(folder->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, &list, nullptr))) return nullptr;
    return TIdList(list);
}

// Find data handed to a parse through its bind context: a file-system folder then makes the child's
// identifier from it instead of asking the disk for it.
class TFindDataBind final : public TComUnknown<IFileSystemBindData, IID_IFileSystemBindData> {
public:
    HRESULT STDMETHODCALLTYPE SetFindData(const WIN32_FIND_DATAW* data) override {
        FData = *data;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFindData(WIN32_FIND_DATAW* data) override {
        *data = FData;
        return S_OK;
    }

private:
    WIN32_FIND_DATAW FData{};
};

// The identifiers of the folders below `folder` along names, made by the parse of `folder` from find
// data handed to it, which needs no disk access; appended to list. Through the shell a level at a time
// costs a parse and a bind that each walk the whole path again (seconds for a thousand levels); this
// costs one request for the whole path. The folders in between get identifiers of their name and the
// folder attribute, as the shell's simple identifiers have; the last item gets the file system's find
// data (its attributes, times and size). False when an identifier cannot be made, or the path does not
// exist: the caller parses level by level then.
bool AppendChain(IShellFolder* folder, const std::wstring& path, const std::vector<std::wstring>& names,
                 TIdList& list) {
    std::vector<WIN32_FIND_DATAW> chain(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        // "." and ".." steps, and names no folder can have, are the shell's own parse to resolve or refuse.
        const std::wstring& name = names[i];
        if (name.size() >= MAX_PATH || name == L"." || name == L".." ||
            name.find_first_of(L"<>:\"/|?*") != std::wstring::npos)
            return false;
        chain[i].dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        name.copy(chain[i].cFileName, name.size());
    }
    // The path exists: its folders in between are folders. The last may be a file.
    WIN32_FILE_ATTRIBUTE_DATA last;
    if (!::GetFileAttributesExW(LongPath(Narrow(path)).c_str(), GetFileExInfoStandard, &last)) return false;
    WIN32_FIND_DATAW& end = chain.back();
    end.dwFileAttributes = last.dwFileAttributes;
    end.ftCreationTime = last.ftCreationTime;
    end.ftLastAccessTime = last.ftLastAccessTime;
    end.ftLastWriteTime = last.ftLastWriteTime;
    end.nFileSizeHigh = last.nFileSizeHigh;
    end.nFileSizeLow = last.nFileSizeLow;
    TComPtr<IBindCtx> context;
    if (FAILED(::CreateBindCtx(0, context.Put())) || !context) return false;
    TComPtr<IFileSystemBindData> data;
    *data.Put() = new TFindDataBind;
    if (FAILED(context->RegisterObjectParam(const_cast<LPOLESTR>(STR_FILE_SYS_BIND_DATA), data.Get()))) return false;
    std::vector<TIdList> children;
    children.reserve(chain.size());
    std::size_t bytes = ::ILGetSize(list.get());  // with the two-byte terminator
    for (WIN32_FIND_DATAW& level : chain) {
        data->SetFindData(&level);
        PIDLIST_RELATIVE child = nullptr;
        ULONG eaten = 0;
        if (FAILED(folder->ParseDisplayName(nullptr, context.Get(), level.cFileName, &eaten, &child, nullptr)) ||
            !child)
            return false;
        children.emplace_back(child);
        if (!children.back()->mkid.cb || ::ILGetNext(children.back().get())->mkid.cb) return false;  // one level
        bytes += children.back()->mkid.cb;
    }
    // One allocation for the whole list: combining level by level would copy it once per level.
    auto* out = static_cast<BYTE*>(::CoTaskMemAlloc(bytes));
    if (!out) return false;
    const std::size_t headBytes = ::ILGetSize(list.get()) - sizeof(USHORT);
    std::memcpy(out, list.get(), headBytes);
    std::size_t at = headBytes;
    for (const TIdList& child : children) {
        std::memcpy(out + at, child.get(), child->mkid.cb);
        at += child->mkid.cb;
    }
    std::memset(out + at, 0, sizeof(USHORT));
    list.reset(reinterpret_cast<ITEMIDLIST*>(out));
    return true;
}

TComPtr<IShellFolder> Bind(IShellFolder* folder, PCUIDLIST_RELATIVE child) {
    TComPtr<IShellFolder> out;
    if (FAILED(folder->BindToObject(child, nullptr, IID_IShellFolder, out.PutVoid()))) out.Reset();
    return out;
}

}  // namespace

std::size_t ShellDirectNames(const std::wstring& root, const std::vector<std::wstring>& names) {
    std::size_t length = root.size(), n = 0;
    while (n < names.size() && n < static_cast<std::size_t>(kShellDirectLevels)) {
        length += names[n].size() + (n ? 1 : 0);
        if (length >= MAX_PATH) break;
        ++n;
    }
    return n;
}

PIDLIST_ABSOLUTE ParseShellPath(const std::string& path) {
    TComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.Put())) || !desktop) return nullptr;
    std::wstring text = Widen(path);
    // The root the desktop parses ("C:\" or "\\server\share") and the names below it; a text of
    // another kind goes to the shell whole.
    std::size_t at = 0;
    if (text.size() >= 3 && text[1] == L':' && text[2] == L'\\') {
        at = 3;
    } else if (text.rfind(L"\\\\", 0) == 0 && text.find(L'\\', 2) != std::wstring::npos) {
        const std::size_t share = text.find(L'\\', text.find(L'\\', 2) + 1);
        at = share == std::wstring::npos ? text.size() : share + 1;
    }
    std::vector<std::wstring> names;
    for (std::size_t from = at; at > 0 && from < text.size();) {
        std::size_t end = text.find(L'\\', from);
        if (end == std::wstring::npos) end = text.size();
        if (end > from) names.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    const std::wstring root = text.substr(0, at);
    const std::size_t direct = at > 0 ? ShellDirectNames(root, names) : names.size();
    if (direct == names.size()) return Parse(desktop.Get(), text).release();

    // The first levels in one call, then the rest made from their names, or else a level at a time from
    // its parent.
    std::wstring head = root;
    for (std::size_t i = 0; i < direct; ++i) head += (i ? L"\\" : L"") + names[i];
    TIdList list = Parse(desktop.Get(), head);
    if (!list) return nullptr;
    TComPtr<IShellFolder> folder = Bind(desktop.Get(), list.get());
    if (!folder) return nullptr;
    if (AppendChain(folder.Get(), text, std::vector<std::wstring>(names.begin() + direct, names.end()), list))
        return list.release();
    for (std::size_t i = direct; i < names.size() && folder; ++i) {
        TIdList child = Parse(folder.Get(), names[i]);
        if (!child) return nullptr;
        list.reset(::ILCombine(list.get(), child.get()));
        if (!list) return nullptr;
        folder = i + 1 < names.size() ? Bind(folder.Get(), child.get()) : TComPtr<IShellFolder>();
        if (i + 1 < names.size() && !folder) return nullptr;
    }
    return list.release();
}

TComPtr<IShellFolder> BindShellFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE idList) {
    TComPtr<IShellFolder> folder;
    if (!desktop) return folder;
    int levels = 0;
    for (auto p = idList; p && p->mkid.cb; p = ILNext(p)) ++levels;
    if (levels == 0) {
        desktop->AddRef();
        *folder.Put() = desktop;
        return folder;
    }
    if (levels <= kShellDirectLevels) return Bind(desktop, idList);
    IShellFolder* parent = desktop;
    for (auto p = idList; p && p->mkid.cb; p = ILNext(p)) {
        TIdList child(::ILCloneFirst(p));
        if (!child) return {};
        folder = Bind(parent, child.get());
        if (!folder) return {};
        parent = folder.Get();
    }
    return folder;
}
