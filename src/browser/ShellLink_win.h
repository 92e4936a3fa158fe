#pragma once
// Shortcut files (.lnk) read through the system's shell-link object (Windows only).
#include <windows.h>

#include <string>

// The path a shortcut file leads to, resolved with owner as the window of any question the system
// asks. Raises Exception "Couldn't resolve shortcut <path>" when the file cannot be loaded as a
// shortcut, the link cannot be resolved, or it leads to no file-system path. COM must be initialised
// on the calling thread.
std::string ResolveShortcut(const std::string& path, HWND owner);
