#include "platform/ReadyFile.h"

#include <windows.h>

#include <string>

#include "platform/WinHandle.h"

void SignalReady() {
    const wchar_t* variable = L"VOLUSCOPE_READY_FILE";
    const DWORD size = ::GetEnvironmentVariableW(variable, nullptr, 0);
    if (size == 0) return;
    std::wstring name(size, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(variable, name.data(), size);
    if (n == 0 || n >= size) return;
    name.resize(n);
    TFileHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}
