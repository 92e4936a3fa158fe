#include "chart/ChartPanel_win.h"

#include <windowsx.h>

#include "chart/GdiChartCanvas_win.h"

namespace {

constexpr wchar_t ClassName[] = L"VoluscopeChartPanel";

void RegisterPanelClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = ClassName;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

TShiftState ShiftFrom(WPARAM wParam) {
    TShiftState s = 0;
    if (wParam & MK_SHIFT) s |= ssShift;
    if (wParam & MK_CONTROL) s |= ssCtrl;
    if (::GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

}  // namespace

TChartPanel::TChartPanel(HWND parent, int left, int top, int width, int height) {
    RegisterPanelClass(&TChartPanel::WindowProc);
    HWND wnd = ::CreateWindowExW(0, ClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, left, top, width, height,
                                 parent, nullptr, ::GetModuleHandleW(nullptr), this);
    // WM_NCCREATE has already taken the handle; taking it again would destroy it.
    if (FWnd.Get() != wnd) FWnd.Reset(wnd);
    FChart.OnChange = [this](TChart&) {
        if (FWnd) ::InvalidateRect(FWnd.Get(), nullptr, FALSE);
    };
}

TChartPanel::~TChartPanel() {
    FChart.OnChange = nullptr;
    // The window goes first, so no message reaches a half-destroyed object.
    if (FWnd) ::SetWindowLongPtrW(FWnd.Get(), GWLP_USERDATA, 0);
    FWnd.Reset();
}

void TChartPanel::SetBounds(int left, int top, int width, int height) {
    ::MoveWindow(FWnd.Get(), left, top, width, height, TRUE);
}

bool TChartPanel::Visible() const {
    return FWnd && ::IsWindowVisible(FWnd.Get());
}

void TChartPanel::SetVisible(bool value) {
    if (FWnd) ::ShowWindow(FWnd.Get(), value ? SW_SHOWNA : SW_HIDE);
}

int TChartPanel::ClientWidth() const {
    RECT r{};
    ::GetClientRect(FWnd.Get(), &r);
    return r.right - r.left;
}

int TChartPanel::ClientHeight() const {
    RECT r{};
    ::GetClientRect(FWnd.Get(), &r);
    return r.bottom - r.top;
}

void TChartPanel::PaintTo(HDC dc) {
    TGdiChartCanvas canvas(dc);
    FChart.Draw(canvas, ClientWidth(), ClientHeight());
}

void TChartPanel::DrawSnapshot(HBITMAP bitmap) {
    bool buffered = BufferedDisplay;
    BufferedDisplay = false;
    {
        TMemDc dc(::CreateCompatibleDC(nullptr));
        if (dc) {
            TSelectObject select(dc.Get(), bitmap);
            PaintTo(dc.Get());
            ::GdiFlush();
        }
    }
    BufferedDisplay = buffered;
}

TBitmapHandle TChartPanel::CreateSnapshotBitmap() {
    int w = ClientWidth(), h = ClientHeight();
    if (w <= 0 || h <= 0) return {};
    TWindowDc screen(nullptr);
    TBitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), w, h));
    if (bitmap) DrawSnapshot(bitmap.Get());
    return bitmap;
}

void TChartPanel::Paint() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(FWnd.Get(), &ps);
    if (!dc) return;
    int w = ClientWidth(), h = ClientHeight();
    if (BufferedDisplay && w > 0 && h > 0) {
        if (!FBuffer || FBuffer->Width() != w || FBuffer->Height() != h) FBuffer = std::make_unique<TDibSection>(w, h);
        if (FBuffer->Bitmap()) {
            {
                TGdiChartCanvas canvas(FBuffer->Dc());
                FChart.Draw(canvas, w, h);
            }
            ::BitBlt(dc, 0, 0, w, h, FBuffer->Dc(), 0, 0, SRCCOPY);
        }
    } else {
        PaintTo(dc);
    }
    ::EndPaint(FWnd.Get(), &ps);
}

void TChartPanel::MouseDown(TMouseButton button, WPARAM wParam, LPARAM lParam) {
    ::SetCapture(FWnd.Get());
    FChart.MouseDown(button, ShiftFrom(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (!FChart.Zooming() && !FChart.Panning() && ::GetCapture() == FWnd.Get()) ::ReleaseCapture();
}

void TChartPanel::MouseUp(TMouseButton button, LPARAM lParam) {
    FChart.MouseUp(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    if (!FChart.Zooming() && !FChart.Panning() && ::GetCapture() == FWnd.Get()) ::ReleaseCapture();
}

LRESULT TChartPanel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // the whole client area is painted
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            ::InvalidateRect(FWnd.Get(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            MouseDown(TMouseButton::mbLeft, wParam, lParam);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            MouseDown(TMouseButton::mbRight, wParam, lParam);
            return 0;
        case WM_MBUTTONDOWN:
            MouseDown(TMouseButton::mbMiddle, wParam, lParam);
            return 0;
        case WM_MOUSEMOVE:
            FChart.MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            MouseUp(TMouseButton::mbLeft, lParam);
            return 0;
        case WM_RBUTTONUP:
            MouseUp(TMouseButton::mbRight, lParam);
            return 0;
        case WM_NCDESTROY:
            // Destroyed with its parent: the handle is no longer ours to destroy.
            ::SetWindowLongPtrW(FWnd.Get(), GWLP_USERDATA, 0);
            return ::DefWindowProcW(FWnd.Release(), msg, wParam, lParam);
        case WM_CAPTURECHANGED:
            // Another window took the mouse: end a zoom or scroll in place.
            if (FChart.Zooming()) FChart.MouseUp(TMouseButton::mbLeft, 0, 0);
            if (FChart.Panning()) FChart.MouseUp(TMouseButton::mbRight, 0, 0);
            return 0;
        default:
            return ::DefWindowProcW(FWnd.Get(), msg, wParam, lParam);
    }
}

LRESULT CALLBACK TChartPanel::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<TChartPanel*>(create->lpCreateParams);
        ::SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->FWnd.Reset(wnd);
    }
    auto* self = reinterpret_cast<TChartPanel*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        if (self->OnError) {
            try {
                self->OnError(e);
            } catch (...) {
            }
        }
        return 0;
    } catch (...) {
        return 0;
    }
}
