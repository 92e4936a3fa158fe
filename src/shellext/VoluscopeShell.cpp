// VoluscopeShell.dll: the Explorer context-menu extension for folders. For exactly one selected folder
// it adds "Analyse with Voluscope", which starts Voluscope.exe from this library's own folder with the
// folder's path as its first parameter.
//
// An in-process COM server: DllGetClassObject hands out a class factory, whose objects implement
// IShellExtInit and IContextMenu. The only state outside the objects is the count of live objects and
// server locks, read by DllCanUnloadNow. Every method catches at its edge: Explorer sees an error code,
// never an exception.
//
// The tests build a second copy of this library with VS_SHELLEXT_TEST_HOOK defined, whose objects also
// answer IVoluscopeShellLaunchHook so that a test sees the program start instead of a process. The
// shipped library has no such interface: nothing else loaded into Explorer can redirect the command.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <new>
#include <string>

#include "platform/WinHandle.h"
#ifdef VS_SHELLEXT_TEST_HOOK
#include "shellext/VoluscopeShellHook.h"
#endif

namespace {

// {6C1E4F2A-9D37-4B58-A0E1-3F7C82D5B914}
constexpr CLSID CLSID_VoluscopeShell = {0x6c1e4f2a, 0x9d37, 0x4b58, {0xa0, 0xe1, 0x3f, 0x7c, 0x82, 0xd5, 0xb9, 0x14}};

constexpr wchar_t kMenuText[] = L"Analyse with Voluscope";
constexpr wchar_t kVerb[] = L"AnalyseWithVoluscope";
constexpr wchar_t kHelpText[] = L"Shows where the space of this folder goes, in Voluscope.";
constexpr wchar_t kProgramName[] = L"Voluscope.exe";

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

// The folder of this library, with the trailing separator; empty when it cannot be told.
std::wstring LibraryFolder() {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&LibraryFolder), &self))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() > 32768) return {};
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// One argument quoted the way the program's command-line parser reads it back unchanged: backslashes
// before a quote (a root such as C:\ ends in one) are doubled, quotes are escaped.
std::wstring QuoteArgument(const std::wstring& arg) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

#ifdef VS_SHELLEXT_TEST_HOOK
// The test build's launch hook: the interface, and the start handed to the hook when one is set.
class TLaunchHook : public IVoluscopeShellLaunchHook {
public:
    STDMETHODIMP SetLaunchHook(TVoluscopeLaunchFn fn, void* context) override {
        FHook = fn;
        FHookContext = context;
        return S_OK;
    }

protected:
    void* HookInterface(REFIID riid) {
        return riid == IID_IVoluscopeShellLaunchHook ? static_cast<IVoluscopeShellLaunchHook*>(this) : nullptr;
    }
    bool HookedLaunch(const std::wstring& program, const std::wstring& commandLine, HRESULT& result) {
        if (!FHook) return false;
        result = FHook(FHookContext, program.c_str(), commandLine.c_str()) ? S_OK : E_FAIL;
        return true;
    }

private:
    TVoluscopeLaunchFn FHook = nullptr;
    void* FHookContext = nullptr;
};
#else
// The shipped library: no interface beyond the shell's, and every start is a real one.
class TLaunchHook {
protected:
    static void* HookInterface(REFIID) { return nullptr; }
    static bool HookedLaunch(const std::wstring&, const std::wstring&, HRESULT&) { return false; }
};
#endif

class TContextMenu final : public IShellExtInit, public IContextMenu, public TLaunchHook {
public:
    TContextMenu() { ++gObjects; }
    ~TContextMenu() { --gObjects; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IShellExtInit)
            *ppv = static_cast<IShellExtInit*>(this);
        else if (riid == IID_IContextMenu)
            *ppv = static_cast<IContextMenu*>(this);
        else if (void* hook = HookInterface(riid))
            *ppv = hook;
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --FRefs;
        if (n == 0) delete this;
        return n;
    }

    // IShellExtInit: remembers the one selected folder; anything else gives no menu item.
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override {
        try {
            FFolder.clear();
            if (!data) return E_INVALIDARG;
            FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            STGMEDIUM medium = {};
            if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
            HRESULT hr = E_INVALIDARG;
            if (auto drop = static_cast<HDROP>(::GlobalLock(medium.hGlobal))) {
                if (::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
                    UINT len = ::DragQueryFileW(drop, 0, nullptr, 0);
                    std::wstring path(len + 1, L'\0');
                    path.resize(::DragQueryFileW(drop, 0, path.data(), len + 1));
                    DWORD attrs = ::GetFileAttributesW(path.c_str());
                    if (!path.empty() && attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
                        FFolder = std::move(path);
                        hr = S_OK;
                    }
                }
                ::GlobalUnlock(medium.hGlobal);
            }
            ::ReleaseStgMedium(&medium);
            return hr;
        } catch (...) {
            FFolder.clear();
            return E_FAIL;
        }
    }

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT idFirst, UINT idLast, UINT flags) override {
        try {
            if (FFolder.empty() || (flags & CMF_DEFAULTONLY) || idFirst > idLast)
                return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
            if (!::InsertMenuW(menu, index, MF_BYPOSITION | MF_STRING, idFirst, kMenuText))
                return HRESULT_FROM_WIN32(::GetLastError());
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
        } catch (...) {
            return E_FAIL;
        }
    }

    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        try {
            if (!info || FFolder.empty()) return E_INVALIDARG;
            if (!IsOurCommand(info)) return E_INVALIDARG;
            return Launch();
        } catch (...) {
            return E_FAIL;
        }
    }

    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT*, CHAR* name, UINT cchMax) override {
        try {
            if (id != 0) return E_INVALIDARG;
            const wchar_t* text = nullptr;
            switch (type) {
                case GCS_VALIDATEA:
                case GCS_VALIDATEW: return S_OK;
                case GCS_VERBA:
                case GCS_VERBW: text = kVerb; break;
                case GCS_HELPTEXTA:
                case GCS_HELPTEXTW: text = kHelpText; break;
                default: return E_INVALIDARG;
            }
            if (!name || cchMax == 0) return E_INVALIDARG;
            if (type & GCS_UNICODE) {
                auto* out = reinterpret_cast<wchar_t*>(name);
                ::lstrcpynW(out, text, static_cast<int>(cchMax));
            } else if (::WideCharToMultiByte(CP_ACP, 0, text, -1, name, static_cast<int>(cchMax), nullptr, nullptr) ==
                       0) {
                name[cchMax - 1] = '\0';
            }
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    std::atomic<ULONG> FRefs{1};
    std::wstring FFolder;

    // The item is command offset 0, or our verb by name (ANSI or, in the extended form, Unicode).
    static bool IsOurCommand(const CMINVOKECOMMANDINFO* info) {
        if (info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE)) {
            auto* ex = reinterpret_cast<const CMINVOKECOMMANDINFOEX*>(info);
            if (!IS_INTRESOURCE(ex->lpVerbW)) return ::lstrcmpiW(ex->lpVerbW, kVerb) == 0;
        }
        if (IS_INTRESOURCE(info->lpVerb)) return LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) == 0;
        wchar_t verb[64] = {};
        if (!::MultiByteToWideChar(CP_ACP, 0, info->lpVerb, -1, verb, 64)) return false;
        return ::lstrcmpiW(verb, kVerb) == 0;
    }

    HRESULT Launch() {
        std::wstring folder = LibraryFolder();
        if (folder.empty()) return E_FAIL;
        std::wstring program = folder + kProgramName;
        std::wstring commandLine = QuoteArgument(program) + L" " + QuoteArgument(FFolder);
        if (HRESULT hooked; HookedLaunch(program, commandLine, hooked)) return hooked;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &process))
            return HRESULT_FROM_WIN32(::GetLastError());
        // The program runs on its own: its handles are not kept.
        TKernelHandle thread(process.hThread), started(process.hProcess);
        return S_OK;
    }
};

class TClassFactory final : public IClassFactory {
public:
    TClassFactory() { ++gObjects; }
    ~TClassFactory() { --gObjects; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --FRefs;
        if (n == 0) delete this;
        return n;
    }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* menu = new (std::nothrow) TContextMenu;
        if (!menu) return E_OUTOFMEMORY;
        HRESULT hr = menu->QueryInterface(riid, ppv);
        menu->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ++gLocks;
        else
            --gLocks;
        return S_OK;
    }

private:
    std::atomic<ULONG> FRefs{1};
};

}  // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_VoluscopeShell) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) TClassFactory;
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() {
    return gObjects == 0 && gLocks == 0 ? S_OK : S_FALSE;
}
