// Shortcut files made and read through the system's shell-link object.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>

#include "browser/ShellLink_win.h"
#include "platform/Exception.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace {

class TComScope {
public:
    TComScope() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~TComScope() { ::CoUninitialize(); }
};

// Writes a shortcut file leading to target (no target: a link with no path).
void MakeShortcut(const std::filesystem::path& link, const std::string& target) {
    TComPtr<IShellLinkW> shellLink;
    ASSERT_TRUE(SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.PutVoid())));
    if (!target.empty()) {
        ASSERT_TRUE(SUCCEEDED(shellLink->SetPath(Widen(target).c_str())));
    }
    TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Save(link.wstring().c_str(), TRUE)));
}

std::string LongPath(const std::filesystem::path& p) {
    wchar_t buffer[MAX_PATH] = {};
    ::GetLongPathNameW(p.wstring().c_str(), buffer, MAX_PATH);
    return Narrow(buffer);
}

std::string ResolveError(const std::string& path) {
    try {
        ResolveShortcut(path, nullptr);
    } catch (const Exception& e) {
        return e.what();
    }
    return "resolved";
}

}  // namespace

TEST(ShellLink, ResolvesToTheFolderItLeadsTo) {
    TComScope com;
    vstest::TTempDir dir;
    const struct { const char* Folder; } targets[] = {{"Data"}, {"A folder with a long name and blanks"}, {"Ünïcode"}};
    for (const auto& t : targets) {
        auto folder = dir.MakeDir(t.Folder);
        auto link = dir.Path() / (std::string(t.Folder) + ".lnk");
        MakeShortcut(link, vstest::PathUtf8(folder));
        EXPECT_EQ(LongPath(folder), ResolveShortcut(vstest::PathUtf8(link), nullptr)) << t.Folder;
    }
}

TEST(ShellLink, FilesThatAreNoUsableShortcutRaiseTheError) {
    TComScope com;
    vstest::TTempDir dir;
    const std::string garbage = vstest::PathUtf8(dir.WriteFile("garbage.lnk", 300, 'g'));
    const std::string empty = vstest::PathUtf8(dir.WriteFile("empty.lnk", 0));
    const std::string missing = vstest::PathUtf8(dir.Path() / "missing.lnk");
    const std::string noTarget = vstest::PathUtf8(dir.Path() / "notarget.lnk");
    MakeShortcut(vstest::Utf8Path(noTarget), "");
    for (const std::string& path : {garbage, empty, missing, noTarget})
        EXPECT_EQ("Couldn't resolve shortcut " + path, ResolveError(path));
}

TEST(ShellLink, TheShellNamesAShortcutsTypeShortcut) {
    TComScope com;
    vstest::TTempDir dir;
    auto link = dir.Path() / "x.lnk";
    MakeShortcut(link, vstest::PathUtf8(dir.MakeDir("x")));
    SHFILEINFOW info{};
    ASSERT_NE(0u, ::SHGetFileInfoW(link.wstring().c_str(), 0, &info, sizeof info, SHGFI_TYPENAME));
    EXPECT_EQ("Shortcut", Narrow(info.szTypeName));
}
