// VoluscopeShell.dll driven through COM the way Explorer drives a folder context-menu handler:
// registered, created by its class identifier, initialised with the shell's data object for the
// selection, asked for its menu items, command strings and the command itself.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "shellext/ShellExtRegistry.h"
#include "shellext/VoluscopeShellHook.h"
#include "support/TestSupport.h"

namespace {

constexpr CLSID kClsid = {0x6c1e4f2a, 0x9d37, 0x4b58, {0xa0, 0xe1, 0x3f, 0x7c, 0x82, 0xd5, 0xb9, 0x14}};

std::string WindowsPath(std::string p) {
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}
// The library as shipped, and the test build of it that also answers IVoluscopeShellLaunchHook.
std::string DllPath() {
    return WindowsPath(VS_SHELLEXT_DLL);
}
std::string TestDllPath() {
    return WindowsPath(VS_SHELLEXT_TEST_DLL);
}

// COM started on this thread for a scope and ended with it.
struct TComScope {
    HRESULT Result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    TComScope() = default;
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    ~TComScope() {
        if (SUCCEEDED(Result)) ::CoUninitialize();
    }
};

// The library's DllGetClassObject, or nullptr.
using TGetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
TGetClassObject ClassObjectOf(HMODULE lib) {
    return reinterpret_cast<TGetClassObject>(reinterpret_cast<void*>(::GetProcAddress(lib, "DllGetClassObject")));
}

struct TLaunch {
    int Calls = 0;
    std::wstring Program, CommandLine;
    static bool __stdcall Record(void* self, const wchar_t* program, const wchar_t* commandLine) {
        auto* l = static_cast<TLaunch*>(self);
        ++l->Calls;
        l->Program = program;
        l->CommandLine = commandLine;
        return true;
    }
};

// The shell's own data object for items of one folder, as Explorer hands it to the handler.
HRESULT SelectionDataObject(const std::vector<std::filesystem::path>& items, IDataObject** out) {
    std::vector<PIDLIST_ABSOLUTE> full;
    std::vector<PCUITEMID_CHILD> children;
    TComPtr<IShellFolder> parent;
    HRESULT hr = S_OK;
    for (const auto& item : items) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        hr = ::SHParseDisplayName(item.wstring().c_str(), nullptr, &pidl, 0, nullptr);
        if (FAILED(hr)) break;
        full.push_back(pidl);
        PCUITEMID_CHILD child = nullptr;
        hr = ::SHBindToParent(pidl, IID_IShellFolder, parent.PutVoid(), &child);
        if (FAILED(hr)) break;
        children.push_back(child);
    }
    if (SUCCEEDED(hr))
        hr = parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(), IID_IDataObject,
                                   nullptr, reinterpret_cast<void**>(out));
    for (auto p : full) ::CoTaskMemFree(p);
    return hr;
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    int n = 0;
    wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &n);
    std::vector<std::wstring> out(argv, argv + n);
    ::LocalFree(argv);
    return out;
}

class ShellExtCom : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        TRegistry r(HKEY_CLASSES_ROOT);
        RegisterShellExtension(r, TestDllPath());
    }
    static void TearDownTestSuite() {
        ::CoFreeUnusedLibraries();
        TRegistry r(HKEY_CLASSES_ROOT);
        UnregisterShellExtension(r);
        ::CoUninitialize();
    }

    // A handler initialised for the items; Initialize's result in InitResult.
    void Create(const std::vector<std::filesystem::path>& items) {
        ASSERT_EQ(S_OK, ::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, Init.PutVoid()));
        TComPtr<IDataObject> data;
        ASSERT_EQ(S_OK, SelectionDataObject(items, data.Put()));
        InitResult = Init->Initialize(nullptr, data.Get(), nullptr);
        ASSERT_EQ(S_OK, Init->QueryInterface(IID_IContextMenu, Menu.PutVoid()));
        TComPtr<IVoluscopeShellLaunchHook> hook;
        ASSERT_EQ(S_OK, Init->QueryInterface(IID_IVoluscopeShellLaunchHook, hook.PutVoid()));
        hook->SetLaunchHook(&TLaunch::Record, &Launch);
    }
    // The items the handler adds to an empty menu at command id 100.
    std::vector<std::wstring> MenuItems(UINT flags = CMF_NORMAL) {
        HMENU menu = ::CreatePopupMenu();
        HRESULT hr = Menu->QueryContextMenu(menu, 0, 100, 200, flags);
        EXPECT_TRUE(SUCCEEDED(hr));
        std::vector<std::wstring> items;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            ::GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
            EXPECT_EQ(100u + i, ::GetMenuItemID(menu, i));
            items.push_back(text);
        }
        EXPECT_EQ(items.size(), static_cast<size_t>(HRESULT_CODE(hr)));
        ::DestroyMenu(menu);
        return items;
    }
    HRESULT Invoke(LPCSTR verb) {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.lpVerb = verb;
        info.nShow = SW_SHOWNORMAL;
        return Menu->InvokeCommand(&info);
    }

    vstest::TTempDir Dir;
    TComPtr<IShellExtInit> Init;  // each Create releases the handler before and takes a new one
    TComPtr<IContextMenu> Menu;
    HRESULT InitResult = E_FAIL;
    TLaunch Launch;
};

}  // namespace

TEST_F(ShellExtCom, OneFolderGetsTheItemAndStartsTheProgramBesideTheLibrary) {
    struct TCase {
        const char* Folder;
    };
    const TCase cases[] = {{"plain"}, {"with blanks in it"}, {"deeper\\level two"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Folder);
        auto folder = Dir.MakeDir(c.Folder);
        Create({folder});
        EXPECT_EQ(S_OK, InitResult);
        EXPECT_EQ(std::vector<std::wstring>{L"Analyse with Voluscope"}, MenuItems());

        wchar_t verb[64] = {};
        EXPECT_EQ(S_OK, Menu->GetCommandString(0, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(verb), 64));
        EXPECT_STREQ(L"AnalyseWithVoluscope", verb);
        char help[128] = {};
        EXPECT_EQ(S_OK, Menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, 128));
        EXPECT_NE(0u, strlen(help));
        EXPECT_EQ(S_OK, Menu->GetCommandString(0, GCS_VALIDATEW, nullptr, nullptr, 0));
        EXPECT_NE(S_OK, Menu->GetCommandString(1, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(verb), 64));

        EXPECT_EQ(S_OK, Invoke(MAKEINTRESOURCEA(0)));
        ASSERT_EQ(1, Launch.Calls);
        std::string dll = TestDllPath();
        EXPECT_EQ(Widen(dll.substr(0, dll.find_last_of('\\') + 1) + "Voluscope.exe"), Launch.Program);
        auto args = SplitCommandLine(Launch.CommandLine);
        ASSERT_EQ(2u, args.size());
        EXPECT_EQ(Launch.Program, args[0]);
        EXPECT_EQ(folder.wstring(), args[1]);
        Launch = {};
    }
}

TEST_F(ShellExtCom, CommandByVerbAndUnknownCommands) {
    Create({Dir.MakeDir("f")});
    EXPECT_EQ(1u, MenuItems().size());
    EXPECT_EQ(S_OK, Invoke("AnalyseWithVoluscope"));
    EXPECT_EQ(1, Launch.Calls);
    EXPECT_NE(S_OK, Invoke(MAKEINTRESOURCEA(1)));
    EXPECT_NE(S_OK, Invoke("open"));
    EXPECT_NE(S_OK, Menu->InvokeCommand(nullptr));
    EXPECT_EQ(1, Launch.Calls);
}

TEST_F(ShellExtCom, DefaultOnlyMenusGetNothing) {
    Create({Dir.MakeDir("f")});
    EXPECT_TRUE(MenuItems(CMF_DEFAULTONLY).empty());
}

TEST_F(ShellExtCom, AFileOrSeveralItemsGetNoItem) {
    auto file = Dir.WriteFile("file.txt", 10);
    Create({file});
    EXPECT_NE(S_OK, InitResult);
    EXPECT_TRUE(MenuItems().empty());
    EXPECT_NE(S_OK, Invoke(MAKEINTRESOURCEA(0)));
    EXPECT_EQ(0, Launch.Calls);

    Create({Dir.MakeDir("one"), Dir.MakeDir("two")});
    EXPECT_NE(S_OK, InitResult);
    EXPECT_TRUE(MenuItems().empty());
}

TEST_F(ShellExtCom, InitializeWithoutDataFailsQuietly) {
    ASSERT_EQ(S_OK, ::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, Init.PutVoid()));
    EXPECT_EQ(E_INVALIDARG, Init->Initialize(nullptr, nullptr, nullptr));
}

// The objects below are declared after the library, so an early end of a test releases them before
// the library is freed.
TEST(ShellExtLibrary, UnloadsOnlyWhenNoObjectLivesAndRefusesOtherClasses) {
    TModule lib(::LoadLibraryW(Widen(DllPath()).c_str()));
    ASSERT_NE(nullptr, lib.Get());
    auto getClass = ClassObjectOf(lib.Get());
    auto canUnload = reinterpret_cast<HRESULT(__stdcall*)()>(
        reinterpret_cast<void*>(::GetProcAddress(lib.Get(), "DllCanUnloadNow")));
    ASSERT_TRUE(getClass && canUnload);
    EXPECT_EQ(S_OK, canUnload());

    TComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClass(IID_IUnknown, IID_IClassFactory, factory.PutVoid()));
    ASSERT_EQ(S_OK, getClass(kClsid, IID_IClassFactory, factory.PutVoid()));
    EXPECT_EQ(S_FALSE, canUnload());
    TComPtr<IUnknown> object;
    int outerDummy = 0;  // never called: aggregation is refused first
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(reinterpret_cast<IUnknown*>(&outerDummy), IID_IUnknown, object.PutVoid()));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersistFile, object.PutVoid()));
    EXPECT_EQ(nullptr, object.Get());
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, object.PutVoid()));
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(S_FALSE, canUnload());
    object.Reset();
    EXPECT_EQ(S_FALSE, canUnload());  // still locked
    getClass(kClsid, IID_IClassFactory, factory.PutVoid());
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(S_OK, canUnload());
}

TEST(ShellExtLibrary, ShippedLibraryHasNoLaunchHook) {
    TComScope com;
    TModule lib(::LoadLibraryW(Widen(DllPath()).c_str()));
    ASSERT_NE(nullptr, lib.Get());
    TComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, ClassObjectOf(lib.Get())(kClsid, IID_IClassFactory, factory.PutVoid()));
    TComPtr<IContextMenu> menu;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, menu.PutVoid()));
    TComPtr<IVoluscopeShellLaunchHook> hook;
    EXPECT_EQ(E_NOINTERFACE, menu->QueryInterface(IID_IVoluscopeShellLaunchHook, hook.PutVoid()));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IVoluscopeShellLaunchHook, hook.PutVoid()));
    EXPECT_EQ(nullptr, hook.Get());
}

TEST(ShellExtLibrary, MissingProgramFailsTheCommandWithoutCrashing) {
    // A copy of the library in a folder without Voluscope.exe, used the real way (no hook).
    vstest::TTempDir dir;
    auto copy = dir.Path() / "VoluscopeShell.dll";
    std::filesystem::copy_file(vstest::Utf8Path(DllPath()), copy);
    auto folder = dir.MakeDir("target");
    TComScope com;
    TModule lib(::LoadLibraryW(copy.wstring().c_str()));
    ASSERT_NE(nullptr, lib.Get());
    auto getClass = ClassObjectOf(lib.Get());
    TComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, getClass(kClsid, IID_IClassFactory, factory.PutVoid()));
    TComPtr<IShellExtInit> init;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellExtInit, init.PutVoid()));
    factory.Reset();
    TComPtr<IDataObject> data;
    ASSERT_EQ(S_OK, SelectionDataObject({folder}, data.Put()));
    EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    data.Reset();
    TComPtr<IContextMenu> menu;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, menu.PutVoid()));
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(0);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), menu->InvokeCommand(&info));
}
