#pragma once
// Shared by the window tests: the application set up once, message boxes answered by a hook,
// and screenshots of windows as they appear on the screen.
#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

struct TShownMessage {
    std::string Text;
    unsigned Flags;
};

// Message boxes shown since the last call (the hook answers each with OK / Yes).
std::vector<TShownMessage> TakeMessages();

// Runs pending messages for about `ms` milliseconds (paints, timers).
void Pump(int ms = 50);

// Saves what the screen shows of the window (its frame included) as build/screenshots/<name>.png.
bool SaveWindowShot(HWND wnd, const std::string& name);

}  // namespace wintest
