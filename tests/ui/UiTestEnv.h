#pragma once
// Shared by the framework and main-window tests: the application set up once (per-monitor DPI,
// common controls), message boxes captured by a hook instead of shown, message pumping,
// keyboard input posted the way the message loop receives it, and screenshots.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Runs the pending messages, then for about ms milliseconds more (paints, timers, posted work).
void Pump(int ms = 0);
// The one message box shown since the last call. Any other number of boxes fails the test (the
// failure lists their texts) and gives an empty box.
TShownBox TakeOneBox();

// Posts a key press (down, char, up) to a window as the keyboard would, with the given modifier
// keys held in the thread's key state, and runs it through the application's message loop.
// Pumps in steps of 50 ms until done() holds, for up to about ms milliseconds; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000);
void PressKey(HWND target, WORD vk, unsigned shift = 0, wchar_t ch = 0);
// Alt+letter: the system key messages of a menu accelerator.
void PressAltKey(HWND target, wchar_t letter);

// What the screen shows of the window, saved as build/screenshots/<name>.png.
bool SaveWindowShot(HWND wnd, const std::string& name);

// The pixel colour (0xRRGGBB) the screen shows at a point of the window's client area.
unsigned ScreenPixel(HWND wnd, int x, int y);

}  // namespace uitest
