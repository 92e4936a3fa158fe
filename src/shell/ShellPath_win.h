#pragma once
// Deep paths and identifier lists without the shell's recursion (Windows only). The shell parses a path
// and binds an identifier list one level inside the next; under Wine each level is a nested call, so a
// folder some hundreds of levels deep exhausts the stack. Past kShellDirectLevels levels the parse makes
// the remaining identifiers from the path's names (no disk access per level) and the bind works a level
// at a time; shorter paths and lists go to the shell in one call, as before.
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <string>

#include "platform/WinHandle.h"

// The levels handed to the shell in one call.
constexpr int kShellDirectLevels = 64;

// The absolute identifier list of a path as the desktop parses it ("C:\a\b", "\\server\share\a", or a
// shell name such as "::{...}"), freed by the caller with CoTaskMemFree; null when it cannot be parsed.
PIDLIST_ABSOLUTE ParseShellPath(const std::string& path);

// The folder of an absolute identifier list bound from the desktop (the desktop itself for an empty
// list); empty when the shell cannot bind it.
TComPtr<IShellFolder> BindShellFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE idList);
