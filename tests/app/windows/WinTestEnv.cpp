#include "app/windows/WinTestEnv.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace wintest {

namespace {

std::vector<TShownMessage> GMessages;

class TWindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        Application->SetTitle("Voluscope");
        Application->SetMessageBoxHook([](const std::string& text, const std::string&, unsigned flags) {
            GMessages.push_back({text, flags});
            return (flags & MB_YESNO) ? IDYES : IDOK;
        });
    }
};

[[maybe_unused]] auto* const GEnvironment = ::testing::AddGlobalTestEnvironment(new TWindowsEnvironment);

}  // namespace

std::vector<TShownMessage> TakeMessages() {
    return std::exchange(GMessages, {});
}

void Pump(int ms) {
    DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
    do {
        Application->ProcessMessages();
        ::Sleep(5);
    } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

bool SaveWindowShot(HWND wnd, const std::string& name) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(mem, old);
    std::vector<std::uint32_t> pixels(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + w * h);
    for (auto& p : pixels) p &= 0xFFFFFF;
    ::DeleteDC(mem);
    ::DeleteObject(bmp);
    ::ReleaseDC(nullptr, screen);
    return vstest::SavePng(vstest::ScreenshotPath(name), w, h, pixels.data());
}

}  // namespace wintest
