#pragma once
// The registry entries through which Explorer finds the context-menu extension "VoluscopeShell.dll",
// and the commands that write and remove them. Keys are named by path from the registry object's root,
// written with a leading backslash ("\CLSID\..."), which is not part of the key name.
#include <windows.h>

#include <string>

#include "platform/WinHandle.h"

inline constexpr char kShellExtClassKey[] = "\\CLSID\\{6C1E4F2A-9D37-4B58-A0E1-3F7C82D5B914}";
inline constexpr char kShellExtServerKey[] = "\\CLSID\\{6C1E4F2A-9D37-4B58-A0E1-3F7C82D5B914}\\InProcServer32";
inline constexpr char kShellExtHandlerKey[] =
    "\\Folder\\shellex\\ContextMenuHandlers\\{6C1E4F2A-9D37-4B58-A0E1-3F7C82D5B914}";
inline constexpr char kShellExtLibraryName[] = "VoluscopeShell.dll";
inline constexpr char kShellExtTitle[] = "Voluscope Context Menu Shell Extension";

// A registry object over one root key (not owned, typically HKEY_CLASSES_ROOT) with at most one open
// key at a time, opened with full access. The operations are virtual so that tests can make a single
// one fail the way a refusing registry would.
class TRegistry {
public:
    explicit TRegistry(HKEY root) : FRoot(root) {}
    virtual ~TRegistry() { CloseKey(); }
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Closes the open key and opens the key at path, creating it (and missing parents) when canCreate.
    // Returns the Win32 status; on failure no key is open.
    virtual LONG OpenKey(const std::string& path, bool canCreate);
    virtual void CloseKey();
    // Writes a string value into the open key (empty name: the key's default value). Throws
    // "Failed to set data for '<name>'" when it cannot, which includes having no open key.
    virtual void WriteString(const std::string& name, const std::string& value);
    // Creates the key at path and closes it again. Throws "Failed to create key <path>".
    virtual void CreateKey(const std::string& path);
    // Deletes the key at path after all its sub-keys, deepest and last first. Returns the Win32 status
    // of the first failure, ERROR_SUCCESS, or ERROR_FILE_NOT_FOUND when the key was not there.
    virtual LONG DeleteKey(const std::string& path);
    virtual bool KeyExists(const std::string& path);

private:
    HKEY FRoot;
    TRegKey FCurrent;
};

// The system's text for a Win32 status, without the trailing line break ("Access denied.").
std::string SystemErrorText(LONG status);

// Writes the class key with its title, InProcServer32 with the library path and the threading model
// "Apartment", and the folder context-menu handler key. Throws on the first failure; stops with
// "Failed to create key \CLSID\...\InProcServer32" when that key cannot be opened or created rather
// than writing its values into the class key.
void RegisterShellExtension(TRegistry& registry, const std::string& libraryPath);

// Deletes InProcServer32, the class key and the handler key, each with any sub-keys. Missing keys are
// fine; a key that is still there afterwards throws "Failed to delete key <path>: <reason>".
void UnregisterShellExtension(TRegistry& registry);

// The library's path beside the running executable.
std::string ShellExtLibraryPath();
