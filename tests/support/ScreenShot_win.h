#pragma once
// Screen captures for the Windows test programs.
#include <windows.h>

#include <string>

namespace vstest {

// Copies what the screen shows of the window (frame included) to build/screenshots/<name>.png.
// The caller brings the window up to date first. Returns false for an empty window or a failed write.
bool SaveScreenRect(HWND wnd, const std::string& name);

}  // namespace vstest
