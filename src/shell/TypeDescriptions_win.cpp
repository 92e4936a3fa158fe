#include "shell/TypeDescriptions_win.h"

#include <windows.h>

#include "platform/WinText.h"

std::unique_ptr<TTypeDescriptions> LoadTypeDescriptions() {
    auto table = std::make_unique<TTypeDescriptions>(kTypeDescriptionBuckets);
    // .ext -> class -> the class's description, from the registry's classes root.
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        LONG rc = ::RegEnumKeyExW(HKEY_CLASSES_ROOT, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        if (name[0] != L'.') continue;
        wchar_t cls[256] = {};
        LONG size = sizeof(cls);
        if (::RegQueryValueW(HKEY_CLASSES_ROOT, name, cls, &size) != ERROR_SUCCESS || !cls[0]) continue;
        wchar_t desc[512] = {};
        size = sizeof(desc);
        if (::RegQueryValueW(HKEY_CLASSES_ROOT, cls, desc, &size) != ERROR_SUCCESS || !desc[0]) continue;
        // Keys that differ only in case name one extension: the first one listed counts.
        const std::string key = Narrow(name);
        std::string existing;
        if (!table->Find(key, existing)) table->Add(key, Narrow(desc));
    }
    return table;
}
