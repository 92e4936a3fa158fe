#include "ui/Animate.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr UINT_PTR kFrameTimer = 1;
// The shell keeps its standard clips as "AVI" resources; the find-folder clip is number 150.
constexpr int kFindFolderClip = 150;

// The shell library loaded as data only, for its clips; kept for the life of the program,
// since an open animation control reads from it.
HMODULE ShellResources() {
    static HMODULE module = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// Whether the system's clip opens, tried once in a hidden window of its own (some systems, Wine
// among them, have the control but not the clip).
bool SystemClipAvailable(TCommonAVI clip) {
    if (clip != aviFindFolder) return false;
    static const bool available = [] {
        HMODULE shell = ShellResources();
        if (!shell || !::FindResourceW(shell, MAKEINTRESOURCEW(kFindFolderClip), L"AVI")) return false;
        HWND probe = ::CreateWindowExW(0, ANIMATE_CLASSW, L"", WS_POPUP, 0, 0, 80, 50, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        if (!probe) return false;
        bool ok = ::SendMessageW(probe, ACM_OPENW, reinterpret_cast<WPARAM>(shell),
                                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindFolderClip))) != 0;
        ::DestroyWindow(probe);
        return ok;
    }();
    return available;
}

}  // namespace

TAnimate::TAnimate(TComponent* owner, TWinControl* parent, TCommonAVI clip, int fallbackFrames, TFramePainter fallback,
                   unsigned interval)
    : TControl(owner, parent),
      FFrameCount(fallbackFrames > 0 ? fallbackFrames : 1),
      FInterval(interval),
      FPainter(std::move(fallback)) {
    SetBounds(0, 0, 80, 50);
    if (SystemClipAvailable(clip)) {
        CreateHandle(ANIMATE_CLASSW, ACS_CENTER | ACS_TRANSPARENT);
        FSystemClip = OpenSystemClip(clip);
    } else {
        CreateHandle(L"VsControl", 0);
    }
}

TAnimate::~TAnimate() {
    if (Handle()) {
        if (FSystemClip) {
            Animate_Close(Handle());
        } else {
            ::KillTimer(Handle(), kFrameTimer);
        }
    }
}

bool TAnimate::OpenSystemClip(TCommonAVI) {
    return ::SendMessageW(Handle(), ACM_OPENW, reinterpret_cast<WPARAM>(ShellResources()),
                          reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindFolderClip))) != 0;
}

void TAnimate::SetActive(bool active) {
    if (active == FActive || !Handle()) return;
    FActive = active;
    if (FSystemClip) {
        if (active) {
            Animate_Play(Handle(), 0, -1, -1);
        } else {
            Animate_Stop(Handle());
        }
        return;
    }
    if (active) {
        ::SetTimer(Handle(), kFrameTimer, FInterval, nullptr);
    } else {
        ::KillTimer(Handle(), kFrameTimer);
    }
}

LRESULT TAnimate::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kFrameTimer && !FSystemClip) {
        FFrame = (FFrame + 1) % FFrameCount;
        Invalidate();
        return 0;
    }
    return TControl::WndProc(msg, wp, lp);
}

const std::vector<std::uint32_t>& TAnimate::DrawnFrame(int frame, int w, int h) {
    if (w != FFramesWidth || h != FFramesHeight || FFrames.size() != static_cast<std::size_t>(FFrameCount)) {
        FFrames.assign(static_cast<std::size_t>(FFrameCount), {});
        FFramesWidth = w;
        FFramesHeight = h;
    }
    std::vector<std::uint32_t>& pixels = FFrames[static_cast<std::size_t>(frame)];
    if (pixels.empty()) {
        // Painted aside first, so that a painter that fails leaves no half-painted frame behind.
        std::vector<std::uint32_t> painted(static_cast<std::size_t>(w) * h, 0);
        FPainter(frame, w, h, painted.data());
        pixels = std::move(painted);
    }
    return pixels;
}

void TAnimate::Paint(TCanvas& canvas) {
    int w = ClientWidth(), h = ClientHeight();
    if (!FPainter || w <= 0 || h <= 0) return;
    const std::vector<std::uint32_t>& frame = DrawnFrame(FFrame, w, h);
    // Blend the frame over the background the canvas already holds.
    if (!FBlend || FBlend->Width() != w || FBlend->Height() != h)
        FBlend = std::make_unique<TBitmap>(w, h, canvas.Dpi());
    TBitmap& bmp = *FBlend;
    ::BitBlt(bmp.Dc(), 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
    std::uint32_t* bits = bmp.Bits();
    for (std::size_t i = 0; i < frame.size(); ++i) {
        std::uint32_t a = frame[i] >> 24;
        if (a == 0) continue;
        std::uint32_t s = frame[i], d = bits[i], out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            std::uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
            out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
        }
        bits[i] = out;
    }
    ::BitBlt(canvas.Handle(), 0, 0, w, h, bmp.Dc(), 0, 0, SRCCOPY);
}
