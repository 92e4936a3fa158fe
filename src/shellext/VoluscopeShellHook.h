#pragma once
// A private interface of the context-menu object of VoluscopeShell.dll through which a test sees the
// program start that "Analyse with Voluscope" asks for, instead of a process being created. It belongs
// to the one object it is set on: the library keeps no state of its own beyond reference counts.
#include <windows.h>
#include <unknwn.h>

// {0E5B7C61-3A2D-4F8E-9B14-7D6A52C0E3F9}
inline constexpr GUID IID_IVoluscopeShellLaunchHook = {
    0x0e5b7c61, 0x3a2d, 0x4f8e, {0x9b, 0x14, 0x7d, 0x6a, 0x52, 0xc0, 0xe3, 0xf9}};

// Receives the program's full path and the whole command line that would be passed to CreateProcess;
// returns true when the start counts as done.
using TVoluscopeLaunchFn = bool(__stdcall*)(void* context, const wchar_t* program, const wchar_t* commandLine);

struct IVoluscopeShellLaunchHook : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetLaunchHook(TVoluscopeLaunchFn fn, void* context) = 0;
};
