#pragma once
// Deep paths and identifier lists without the shell's recursion (Windows only). The shell parses a path
// and binds an identifier list one level inside the next; under Wine each level is a nested call, so a
// folder some hundreds of levels deep exhausts the stack, and a path past MAX_PATH is cut. Past the
// levels ShellDirectNames gives, the parse makes the remaining identifiers from the path's names (no disk
// access per level), and past kShellDirectLevels the bind works a level at a time; shorter paths and
// lists go to the shell in one call, as before.
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/WinHandle.h"

// The levels handed to the shell in one call, at most.
constexpr int kShellDirectLevels = 64;

// How many of a file-system path's names below its root (given with its trailing separator, "C:\\" or
// "\\\\server\\share\\") the shell parses and reads in one call: kShellDirectLevels at most, and no more
// than keep the path under MAX_PATH, past which the shell cuts the path it works on.
std::size_t ShellDirectNames(const std::wstring& root, const std::vector<std::wstring>& names);

// The absolute identifier list of a path as the desktop parses it ("C:\a\b", "\\server\share\a", or a
// shell name such as "::{...}"), freed by the caller with CoTaskMemFree; null when it cannot be parsed.
PIDLIST_ABSOLUTE ParseShellPath(const std::string& path);

// The folder of an absolute identifier list bound from the desktop (the desktop itself for an empty
// list); empty when the shell cannot bind it.
TComPtr<IShellFolder> BindShellFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE idList);
