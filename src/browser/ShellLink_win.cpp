#include "browser/ShellLink_win.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "platform/Exception.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"

std::string ResolveShortcut(const std::string& path, HWND owner) {
    auto fail = [&]() { return Exception("Couldn't resolve shortcut " + path); };
    TComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
        throw fail();
    TComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) throw fail();
    // A file that is no shortcut leaves an empty link, whose "target" would clear the list: refuse it here.
    if (FAILED(file->Load(Widen(path).c_str(), STGM_READ))) throw fail();
    if (FAILED(link->Resolve(owner, SLR_ANY_MATCH))) throw fail();
    wchar_t target[MAX_PATH] = {};
    WIN32_FIND_DATAW data{};
    if (link->GetPath(target, MAX_PATH, &data, SLGP_SHORTPATH | SLGP_UNCPRIORITY) != S_OK || !target[0]) throw fail();
    // The short form keeps the path within MAX_PATH; shown and remembered is the long one where it exists.
    wchar_t longPath[MAX_PATH] = {};
    DWORD n = ::GetLongPathNameW(target, longPath, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return Narrow(longPath);
    return Narrow(target);
}
