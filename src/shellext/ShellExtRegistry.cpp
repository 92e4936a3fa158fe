#include "shellext/ShellExtRegistry.h"

#include <vector>

#include "platform/Exception.h"
#include "platform/WinHandle.h"
#include "platform/WinText.h"
#include "ui/Forms.h"

namespace {

// "\CLSID\x" -> L"CLSID\x": the leading backslash only says the path starts at the root.
std::wstring KeyName(const std::string& path) {
    std::string_view p = path;
    while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
    return Widen(p);
}

LONG DeleteTree(HKEY parent, const std::wstring& name) {
    HKEY raw = nullptr;
    LONG status = ::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | DELETE, &raw);
    if (status != ERROR_SUCCESS) return status;
    TRegKey key(raw);
    DWORD subKeys = 0, maxLen = 0;
    status = ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, &maxLen, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    LONG firstFailure = ERROR_SUCCESS;
    std::vector<wchar_t> buf(maxLen + 2);
    for (DWORD i = subKeys; i-- > 0;) {
        DWORD len = static_cast<DWORD>(buf.size());
        if (::RegEnumKeyExW(key.Get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;
        LONG s = DeleteTree(key.Get(), std::wstring(buf.data(), len));
        if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND && firstFailure == ERROR_SUCCESS) firstFailure = s;
    }
    key.Reset();
    status = ::RegDeleteKeyW(parent, name.c_str());
    return firstFailure != ERROR_SUCCESS ? firstFailure : status;
}

}  // namespace

LONG TRegistry::OpenKey(const std::string& path, bool canCreate) {
    CloseKey();
    HKEY key = nullptr;
    LONG status = canCreate ? ::RegCreateKeyExW(FRoot, KeyName(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                KEY_ALL_ACCESS, nullptr, &key, nullptr)
                            : ::RegOpenKeyExW(FRoot, KeyName(path).c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_SUCCESS) FCurrent.Reset(key);
    return status;
}

void TRegistry::CloseKey() {
    FCurrent.Reset();
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    std::wstring data = Widen(value);
    if (!FCurrent ||
        ::RegSetValueExW(FCurrent.Get(), Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw Exception("Failed to set data for '" + name + "'");
}

void TRegistry::CreateKey(const std::string& path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(FRoot, KeyName(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        throw Exception("Failed to create key " + path);
    ::RegCloseKey(key);
}

LONG TRegistry::DeleteKey(const std::string& path) {
    return DeleteTree(FRoot, KeyName(path));
}

bool TRegistry::KeyExists(const std::string& path) {
    HKEY key = nullptr;
    LONG status = ::RegOpenKeyExW(FRoot, KeyName(path).c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) ::RegCloseKey(key);
    // A key that cannot be opened for another reason than its absence is still there.
    return status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND;
}

std::string SystemErrorText(LONG status) {
    std::string text;
    SystemMessageText(static_cast<DWORD>(status), text);
    if (text.empty()) return "Error " + std::to_string(status) + ".";
    return text;
}

void RegisterShellExtension(TRegistry& registry, const std::string& libraryPath) {
    // The result of opening is not examined: a key that could not be opened fails the write.
    registry.OpenKey(kShellExtClassKey, true);
    registry.WriteString("", kShellExtTitle);
    // Without its own key the server values would land in the class key, where COM never looks.
    if (registry.OpenKey(kShellExtServerKey, true) != ERROR_SUCCESS)
        throw Exception(std::string("Failed to create key ") + kShellExtServerKey);
    registry.WriteString("", libraryPath);
    registry.WriteString("ThreadingModel", "Apartment");
    registry.CloseKey();
    registry.CreateKey(kShellExtHandlerKey);
}

void UnregisterShellExtension(TRegistry& registry) {
    registry.CloseKey();
    const char* keys[] = {kShellExtServerKey, kShellExtClassKey, kShellExtHandlerKey};
    LONG status[3];
    for (int i = 0; i < 3; ++i) status[i] = registry.DeleteKey(keys[i]);
    // Success means the keys are gone, not that nothing complained: a refused deletion is reported.
    for (int i = 0; i < 3; ++i) {
        if (!registry.KeyExists(keys[i])) continue;
        LONG why = status[i] == ERROR_SUCCESS || status[i] == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : status[i];
        throw Exception(std::string("Failed to delete key ") + keys[i] + ": " + SystemErrorText(why));
    }
}

std::string ShellExtLibraryPath() {
    return ExeFolder() + kShellExtLibraryName;
}
