// Registering and unregistering the context-menu extension against the real registry: the keys and
// values, the messages, extra sub-keys, and what a refusing registry gives.
#include <gtest/gtest.h>

#include <set>

#include "app/MainFormTestSupport.h"
#include "app/MainFormUnit.h"
#include "platform/WinText.h"
#include "shellext/ShellExtRegistry.h"
#include "ui/UiTestEnv.h"

namespace {

std::wstring Rel(const std::string& path) {
    return Widen(path.substr(1));  // without the leading backslash
}

bool Exists(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(root, Rel(path).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    ::RegCloseKey(k);
    return true;
}

// The string value, or "<none>" when it is missing or not a string.
std::string Value(HKEY root, const std::string& path, const std::string& name) {
    wchar_t buf[1024];
    DWORD size = sizeof buf, type = 0;
    if (::RegGetValueW(root, Rel(path).c_str(), name.empty() ? nullptr : Widen(name).c_str(), RRF_RT_ANY, &type, buf,
                       &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return "<none>";
    return Narrow(buf);
}

DWORD ValueCount(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    if (::RegOpenKeyExW(root, Rel(path).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return 99;
    DWORD values = 0;
    ::RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(k);
    return values;
}

void MakeKey(HKEY root, const std::string& path) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, Rel(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                               nullptr));
    ::RegCloseKey(k);
}

const char* const kKeys[] = {kShellExtClassKey, kShellExtServerKey, kShellExtHandlerKey};

// A private root under HKEY_CURRENT_USER for the cases that bend the registry, removed afterwards.
class TSandbox {
public:
    TSandbox() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VoluscopeTests\\ShellExt", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &FKey, nullptr);
    }
    ~TSandbox() {
        ::RegCloseKey(FKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VoluscopeTests");
    }
    HKEY Key() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

// The real registry with single operations refused, the way missing rights refuse them.
class TRefusingRegistry : public TRegistry {
public:
    using TRegistry::TRegistry;
    std::set<std::string> RefuseOpen, RefuseDelete;
    LONG OpenKey(const std::string& path, bool canCreate) override {
        if (RefuseOpen.count(path)) {
            CloseKey();
            return ERROR_ACCESS_DENIED;
        }
        return TRegistry::OpenKey(path, canCreate);
    }
    LONG DeleteKey(const std::string& path) override {
        return RefuseDelete.count(path) ? ERROR_ACCESS_DENIED : TRegistry::DeleteKey(path);
    }
};

class ShellExtRegistration : public uitest::TMainFormTest {
protected:
    void SetUp() override {
        TMainFormTest::SetUp();
        TRegistry r(HKEY_CLASSES_ROOT);
        for (const char* k : kKeys) r.DeleteKey(k);
    }
    void TearDown() override {
        TRegistry r(HKEY_CLASSES_ROOT);
        for (const char* k : kKeys) r.DeleteKey(k);
        TMainFormTest::TearDown();
    }
};

}  // namespace

TEST_F(ShellExtRegistration, RegisterWritesTheKeysAndValues) {
    F->actRegister->Execute();
    EXPECT_EQ("Voluscope Context Menu Shell Extension", Value(HKEY_CLASSES_ROOT, kShellExtClassKey, ""));
    EXPECT_EQ(ExeFolder() + "VoluscopeShell.dll", Value(HKEY_CLASSES_ROOT, kShellExtServerKey, ""));
    EXPECT_EQ("Apartment", Value(HKEY_CLASSES_ROOT, kShellExtServerKey, "ThreadingModel"));
    // The class key holds its title only; the server values are in their own key.
    EXPECT_EQ(1u, ValueCount(HKEY_CLASSES_ROOT, kShellExtClassKey));
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, kShellExtHandlerKey));
    EXPECT_EQ(0u, ValueCount(HKEY_CLASSES_ROOT, kShellExtHandlerKey));
    auto box = uitest::TakeOneBox();
    EXPECT_EQ("Shell extension successfully registered.", box.Text);
    EXPECT_EQ(unsigned(MB_OK | MB_ICONINFORMATION), box.Flags);
    EXPECT_FALSE(HourGlassActive());

    // Registering again rewrites the same values.
    F->actRegister->Execute();
    EXPECT_EQ(ExeFolder() + "VoluscopeShell.dll", Value(HKEY_CLASSES_ROOT, kShellExtServerKey, ""));
    EXPECT_EQ("Shell extension successfully registered.", uitest::TakeOneBox().Text);
}

TEST_F(ShellExtRegistration, UnregisterRemovesTheKeysWithExtraSubKeys) {
    F->actRegister->Execute();
    MakeKey(HKEY_CLASSES_ROOT, std::string(kShellExtServerKey) + "\\Extra\\Deeper");
    MakeKey(HKEY_CLASSES_ROOT, std::string(kShellExtClassKey) + "\\Other");
    MakeKey(HKEY_CLASSES_ROOT, std::string(kShellExtHandlerKey) + "\\A");
    MakeKey(HKEY_CLASSES_ROOT, std::string(kShellExtHandlerKey) + "\\B\\C");
    uitest::TakeBoxes();
    F->actUnregister->Execute();
    for (const char* k : kKeys) EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, k)) << k;
    // The shared parents stay.
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, "\\Folder\\shellex\\ContextMenuHandlers"));
    auto box = uitest::TakeOneBox();
    EXPECT_EQ("Shell extension successfully unregistered.", box.Text);
    EXPECT_EQ(unsigned(MB_OK | MB_ICONINFORMATION), box.Flags);
    EXPECT_FALSE(HourGlassActive());
}

TEST_F(ShellExtRegistration, UnregisterWithNothingRegisteredSucceeds) {
    F->actUnregister->Execute();
    EXPECT_EQ("Shell extension successfully unregistered.", uitest::TakeOneBox().Text);
}

TEST(ShellExtRegistry, PathWithBlanksIsWrittenUnquoted) {
    TSandbox box;
    TRegistry r(box.Key());
    const std::string path = "C:\\Program Files\\Volu scope 2\\VoluscopeShell.dll";
    RegisterShellExtension(r, path);
    EXPECT_EQ(path, Value(box.Key(), kShellExtServerKey, ""));
}

TEST(ShellExtRegistry, RefusedInProcServerKeyStopsWithoutTouchingTheClassKey) {
    TSandbox box;
    TRefusingRegistry r(box.Key());
    r.RefuseOpen.insert(kShellExtServerKey);
    try {
        RegisterShellExtension(r, "C:\\x\\VoluscopeShell.dll");
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string("Failed to create key ") + kShellExtServerKey, e.what());
    }
    EXPECT_EQ("Voluscope Context Menu Shell Extension", Value(box.Key(), kShellExtClassKey, ""));
    EXPECT_EQ(1u, ValueCount(box.Key(), kShellExtClassKey));
    EXPECT_EQ("<none>", Value(box.Key(), kShellExtClassKey, "ThreadingModel"));
    EXPECT_FALSE(Exists(box.Key(), kShellExtHandlerKey));
}

TEST(ShellExtRegistry, UnopenableClassKeyFailsAtTheFirstWrite) {
    TSandbox box;
    TRefusingRegistry r(box.Key());
    r.RefuseOpen.insert(kShellExtClassKey);
    try {
        RegisterShellExtension(r, "C:\\x\\VoluscopeShell.dll");
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string("Failed to set data for ''"), e.what());
    }
    EXPECT_FALSE(Exists(box.Key(), kShellExtServerKey));
}

TEST(ShellExtRegistry, RefusedDeletionIsReportedWithItsReason) {
    TSandbox box;
    TRefusingRegistry r(box.Key());
    RegisterShellExtension(r, "C:\\x\\VoluscopeShell.dll");
    r.RefuseDelete.insert(kShellExtHandlerKey);
    try {
        UnregisterShellExtension(r);
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string("Failed to delete key ") + kShellExtHandlerKey + ": " +
                      SystemErrorText(ERROR_ACCESS_DENIED),
                  e.what());
    }
    // What could go, went.
    EXPECT_FALSE(Exists(box.Key(), kShellExtClassKey));
    EXPECT_TRUE(Exists(box.Key(), kShellExtHandlerKey));
    EXPECT_FALSE(SystemErrorText(ERROR_ACCESS_DENIED).empty());
    // Once the registry lets go, unregistering succeeds.
    r.RefuseDelete.clear();
    EXPECT_NO_THROW(UnregisterShellExtension(r));
    EXPECT_FALSE(Exists(box.Key(), kShellExtHandlerKey));
}
