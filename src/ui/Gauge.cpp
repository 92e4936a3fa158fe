#include "ui/Gauge.h"

#include <cstdio>

void PaintGauge(TCanvas& canvas, const RECT& bounds, const TGaugeValues& values, const TGaugeLook& look,
                const TFont& font) {
    RECT inner = bounds;
    if (look.BorderStyle == gbSingle) {
        canvas.FrameRect(bounds, clBlack);
        ::InflateRect(&inner, -1, -1);
    }
    int w = inner.right - inner.left, h = inner.bottom - inner.top;
    if (w <= 0 || h <= 0) return;
    canvas.FillRect(inner, look.BackColor);
    int percent = values.PercentDone();
    RECT bar = inner;
    if (look.Kind == gkHorizontalBar) {
        bar.right = inner.left + ::MulDiv(w, percent, 100);
    } else {
        bar.top = inner.bottom - ::MulDiv(h, percent, 100);
    }
    if (bar.right > bar.left && bar.bottom > bar.top) canvas.FillRect(bar, look.ForeColor);
    if (!look.ShowText) return;

    // The text goes white on black into a bitmap of its own, which is then XOR-ed over the bar:
    // white inverts the pixels under the glyphs, black leaves the rest as it is. The font is
    // drawn without smoothing so that no half-tones make coloured fringes.
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", percent);
    TFontHandle sharp = font.Create(canvas.Dpi(), TFontQuality::fqNonAntialiased);
    TBitmap mask(w, h, canvas.Dpi());
    RECT all{0, 0, w, h};
    ::FillRect(mask.Dc(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    {
        TSelectObject sel(mask.Dc(), sharp.Get());
        TBkModeScope transparent(mask.Dc(), TRANSPARENT);
        TTextColorScope white(mask.Dc(), clWhite);
        std::wstring wide(text, text + std::char_traits<char>::length(text));
        ::DrawTextW(mask.Dc(), wide.c_str(), static_cast<int>(wide.size()), &all,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    ::BitBlt(canvas.Handle(), inner.left, inner.top, w, h, mask.Dc(), 0, 0, SRCINVERT);
}

TGauge::TGauge(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
    SetBounds(0, 0, 100, 100);
    CreateHandle(L"VsControl", 0);
}

void TGauge::Changed() {
    ++FRepaints;
    Invalidate();
}

void TGauge::SetProgress(int value) {
    if (FValues.SetProgress(value)) Changed();
}

void TGauge::StepProgress(int amount) {
    FValues.StepProgress(amount);
    ++FRepaints;
    Repaint();
}

void TGauge::SetMaxValue(int value) {
    FValues.SetMaxValue(value);
    Changed();
}

void TGauge::SetMinValue(int value) {
    FValues.SetMinValue(value);
    Changed();
}

void TGauge::SetKind(TGaugeKind kind) {
    FLook.Kind = kind;
    Changed();
}

void TGauge::SetShowText(bool show) {
    FLook.ShowText = show;
    Changed();
}

void TGauge::SetBorderStyle(TGaugeBorder border) {
    FLook.BorderStyle = border;
    Changed();
}

void TGauge::SetForeColor(TColor color) {
    FLook.ForeColor = color;
    Changed();
}

void TGauge::SetBackColor(TColor color) {
    FLook.BackColor = color;
    Changed();
}

void TGauge::Paint(TCanvas& canvas) {
    RECT rc{0, 0, ClientWidth(), ClientHeight()};
    PaintGauge(canvas, rc, FValues, FLook, Font());
}
