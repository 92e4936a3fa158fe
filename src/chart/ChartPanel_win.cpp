#include "chart/ChartPanel_win.h"

#include <exception>

#include "platform/Exception.h"

namespace {
// Posted to the panel to report a drawing error outside WM_PAINT.
constexpr UINT WM_VS_PAINTERROR = WM_APP + 0x4350;
}  // namespace

TChartPanel::TChartPanel(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetBounds(0, 0, 400, 250);
    CreateHandle(L"VsControl", 0);
    FChart.OnChange = [this](TChart&) {
        FPaintFailed = false;
        Invalidate();
    };
}

TChartPanel::~TChartPanel() {
    FChart.OnChange = nullptr;
}

void TChartPanel::PaintTo(TCanvas& canvas) {
    int w = ClientWidth(), h = ClientHeight();
    canvas.SetClip(TScreenRect{0, 0, w, h});
    FChart.Draw(canvas, w, h);
    canvas.ClearClip();
}

void TChartPanel::DrawSnapshot(TCanvas& canvas) {
    bool buffered = BufferedDisplay();
    SetBufferedDisplay(false);
    try {
        PaintTo(canvas);
    } catch (...) {
        SetBufferedDisplay(buffered);
        throw;
    }
    SetBufferedDisplay(buffered);
    ::GdiFlush();
}

std::unique_ptr<TBitmap> TChartPanel::CreateSnapshotBitmap() {
    int w = ClientWidth(), h = ClientHeight();
    if (w <= 0 || h <= 0) return nullptr;
    auto bitmap = std::make_unique<TBitmap>(w, h, Dpi());
    DrawSnapshot(bitmap->Canvas());
    return bitmap;
}

void TChartPanel::Paint(TCanvas& canvas) {
    if (FPaintFailed) return;
    try {
        PaintTo(canvas);
    } catch (const std::exception& e) {
        // A message box inside WM_PAINT would let the next paint fail again beneath it: report
        // from a posted message instead, once.
        FPaintFailed = true;
        FPaintError = e.what();
        ::PostMessageW(Handle(), WM_VS_PAINTERROR, 0, 0);
    }
}

void TChartPanel::Resized() {
    Invalidate();
    TControl::Resized();
}

void TChartPanel::ReleaseMouseWhenIdle() {
    if (!FChart.Zooming() && !FChart.Panning() && ::GetCapture() == Handle()) ::ReleaseCapture();
}

void TChartPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // The mouse stays with the panel while a zoom rectangle or a scroll follows it.
    ::SetCapture(Handle());
    try {
        FChart.MouseDown(button, shift, x, y);
        TControl::MouseDown(button, shift, x, y);
    } catch (...) {
        ReleaseMouseWhenIdle();
        throw;
    }
    ReleaseMouseWhenIdle();
}

void TChartPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    try {
        FChart.MouseUp(button, x, y);
        TControl::MouseUp(button, shift, x, y);
    } catch (...) {
        ReleaseMouseWhenIdle();
        throw;
    }
    ReleaseMouseWhenIdle();
}

void TChartPanel::MouseMove(TShiftState shift, int x, int y) {
    FChart.MouseMove(x, y);
    TControl::MouseMove(shift, x, y);
}

LRESULT TChartPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // the chart paints its whole client area
        case WM_CAPTURECHANGED:
            // Another window took the mouse: end a zoom or scroll where it is.
            if (FChart.Zooming()) FChart.MouseUp(TMouseButton::mbLeft, 0, 0);
            if (FChart.Panning()) FChart.MouseUp(TMouseButton::mbRight, 0, 0);
            return 0;
        case WM_VS_PAINTERROR:
            if (!FPaintError.empty()) throw Exception(std::exchange(FPaintError, std::string()));
            return 0;
        default:
            return TControl::WndProc(msg, wp, lp);
    }
}
