#include "support/ScreenShot_win.h"

#include <cstdint>

#include "platform/WinHandle.h"
#include "support/TestSupport.h"
#include "ui/Graphics.h"

namespace vstest {

bool SaveScreenRect(HWND wnd, const std::string& name) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    std::uint32_t* bits = nullptr;
    TBitmapHandle bmp = CreateDib32(w, h, bits);
    if (!bmp) return false;
    TWindowDc screen(nullptr);
    TMemDc mem(::CreateCompatibleDC(screen.Get()));
    {
        TSelectObject select(mem.Get(), bmp.Get());
        ::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    }
    return SavePng(ScreenshotPath(name), w, h, bits);  // SavePng reads the low 24 bits only
}

}  // namespace vstest
