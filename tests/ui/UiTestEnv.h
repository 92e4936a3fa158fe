#pragma once
// Shared by the framework and main-window tests: the application set up once (per-monitor DPI,
// common controls), message boxes captured by a hook instead of shown, message pumping,
// keyboard input posted the way the message loop receives it, and screenshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/Dialogs.h"

class TForm;

namespace uitest {

// A plain framed form with the given client size, constructed and ready to host controls.
std::unique_ptr<TForm> HostForm(int clientWidth, int clientHeight);

struct TShownBox {
    std::string Text;
    std::string Caption;
    unsigned Flags;
};

// Message boxes since the last call. The hook answers each with `answer` (IDOK by default).
std::vector<TShownBox> TakeBoxes();
void SetBoxAnswer(int answer);
// The one message box shown since the last call. Any other number of boxes fails the test (the
// failure lists their texts) and gives an empty box.
TShownBox TakeOneBox();
// The same for ASSERT_TRUE: success with the box in `box`, or a failure listing the boxes' texts.
::testing::AssertionResult TakeOneBox(TShownBox& box);

// Runs the pending messages, then for about ms milliseconds more (paints, timers, posted work).
void Pump(int ms = 0);
// Pumps in steps of 50 ms until done() holds, for up to about ms milliseconds; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000);

// Posts a key press (down, char, up) to a window as the keyboard would, with the given modifier
// keys held in the thread's key state, and runs it through the application's message loop. With Alt
// (and not Ctrl) the key goes as a system key (WM_SYSKEYDOWN), as Alt+Down does.
void PressKey(HWND target, WORD vk, unsigned shift = 0, wchar_t ch = 0);
// Alt+letter: the system key messages of a menu accelerator.
void PressAltKey(HWND target, wchar_t letter);
// A mouse click (button down, then up) in the middle of a list view's column header; fails when the
// list has no such column.
::testing::AssertionResult ClickListHeader(HWND listView, int column);

// What the screen shows of the window, saved as build/screenshots/<name>.png.
bool SaveWindowShot(HWND wnd, const std::string& name);

// The pixel colour (0xRRGGBB) the screen shows at a point of the window's client area.
unsigned ScreenPixel(HWND wnd, int x, int y);

// Answers the save dialog with `hook` while the object lives, then puts the previous hook back, also
// when the test leaves early through a failed assertion or an exception.
class TSaveDialogHook {
public:
    explicit TSaveDialogHook(TSaveDialog::THook hook) : FPrevious(TSaveDialog::SetHook(std::move(hook))) {}
    ~TSaveDialogHook() { TSaveDialog::SetHook(std::move(FPrevious)); }
    TSaveDialogHook(const TSaveDialogHook&) = delete;
    TSaveDialogHook& operator=(const TSaveDialogHook&) = delete;
    // Replaces the hook while keeping the one to restore.
    void Set(TSaveDialog::THook hook) { TSaveDialog::SetHook(std::move(hook)); }

private:
    TSaveDialog::THook FPrevious;
};

// The same for the open dialog.
class TOpenDialogHook {
public:
    explicit TOpenDialogHook(TOpenDialog::THook hook) : FPrevious(TOpenDialog::SetHook(std::move(hook))) {}
    ~TOpenDialogHook() { TOpenDialog::SetHook(std::move(FPrevious)); }
    TOpenDialogHook(const TOpenDialogHook&) = delete;
    TOpenDialogHook& operator=(const TOpenDialogHook&) = delete;

private:
    TOpenDialog::THook FPrevious;
};

// Sets an environment variable of the process (nullptr removes it) while the object lives, then
// gives it back its earlier value or removes it again.
class TScopedEnv {
public:
    TScopedEnv(const wchar_t* name, const wchar_t* value) : FName(name) {
        const DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
        if (n > 0) {
            FOld.resize(n);
            FHad = ::GetEnvironmentVariableW(name, FOld.data(), n) < n;
            FOld.resize(FHad ? n - 1 : 0);
        }
        ::SetEnvironmentVariableW(name, value);
    }
    ~TScopedEnv() { ::SetEnvironmentVariableW(FName.c_str(), FHad ? FOld.c_str() : nullptr); }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
    std::wstring FName, FOld;
    bool FHad = false;
};

// Makes a folder the process's current folder while the object lives, then returns to the earlier one.
class TScopedCurrentDir {
public:
    explicit TScopedCurrentDir(const std::wstring& folder) {
        const DWORD n = ::GetCurrentDirectoryW(0, nullptr);
        FOld.resize(n);
        FOld.resize(::GetCurrentDirectoryW(n, FOld.data()));
        ::SetCurrentDirectoryW(folder.c_str());
    }
    ~TScopedCurrentDir() { ::SetCurrentDirectoryW(FOld.c_str()); }
    TScopedCurrentDir(const TScopedCurrentDir&) = delete;
    TScopedCurrentDir& operator=(const TScopedCurrentDir&) = delete;

private:
    std::wstring FOld;
};

}  // namespace uitest
