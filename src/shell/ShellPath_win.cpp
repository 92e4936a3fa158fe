#include "shell/ShellPath_win.h"

#include <memory>
#include <vector>

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

TComPtr<IShellFolder> Bind(IShellFolder* folder, PCUIDLIST_RELATIVE child) {
    TComPtr<IShellFolder> out;
    if (FAILED(folder->BindToObject(child, nullptr, IID_IShellFolder, out.PutVoid()))) out.Reset();
    return out;
}

}  // namespace

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
    if (names.size() <= static_cast<std::size_t>(kShellDirectLevels)) return Parse(desktop.Get(), text).release();

    // The first levels in one call, then a level at a time from its parent.
    std::wstring head = text.substr(0, at);
    for (int i = 0; i < kShellDirectLevels; ++i) head += (i ? L"\\" : L"") + names[i];
    TIdList list = Parse(desktop.Get(), head);
    if (!list) return nullptr;
    TComPtr<IShellFolder> folder = Bind(desktop.Get(), list.get());
    for (std::size_t i = kShellDirectLevels; i < names.size() && folder; ++i) {
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
