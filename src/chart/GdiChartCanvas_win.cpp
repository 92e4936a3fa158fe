#include "chart/GdiChartCanvas_win.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/WinText.h"
#include "ui/Graphics.h"

TGdiChartCanvas::TGdiChartCanvas(HDC dc) : FDc(dc), FSaved(dc) {
    FOriginalClip.Reset(::CreateRectRgn(0, 0, 0, 0));
    FHasOriginalClip = FOriginalClip && ::GetClipRgn(FDc, FOriginalClip.Get()) == 1;
    ::SetBkMode(FDc, TRANSPARENT);
    ::SetTextAlign(FDc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::SetPolyFillMode(FDc, WINDING);
}

TGdiChartCanvas::~TGdiChartCanvas() = default;

void TGdiChartCanvas::SetPen(TColor color, int width, TPenStyle style) {
    if (FPenWidth == width && FPenColor == color && FPenStyle == style) return;
    int gdiStyle = style == TPenStyle::psSolid ? PS_SOLID : (style == TPenStyle::psDot ? PS_DOT : PS_NULL);
    TPenHandle pen(::CreatePen(gdiStyle, std::max(width, 1), ToColorRef(color)));
    if (!pen) return;
    ::SelectObject(FDc, pen.Get());
    FPen = std::move(pen);  // the previous pen is no longer selected, so it may go
    FPenColor = color;
    FPenWidth = width;
    FPenStyle = style;
}

void TGdiChartCanvas::SetBrush(TColor color, bool clear) {
    if (FBrushValid && FBrushClear == clear && (clear || FBrushColor == color)) return;
    if (clear) {
        ::SelectObject(FDc, ::GetStockObject(NULL_BRUSH));
        FBrush.Reset();
    } else {
        TBrushHandle brush(::CreateSolidBrush(ToColorRef(color)));
        if (!brush) return;
        ::SelectObject(FDc, brush.Get());
        FBrush = std::move(brush);
    }
    FBrushColor = color;
    FBrushClear = clear;
    FBrushValid = true;
}

void TGdiChartCanvas::SetFont(const TChartFont& font) {
    if (FFontValid && font == FFontSpec) return;
    FFontSpec = font;
    FFontValid = true;
    // Both fonts are made on demand; drop them only after the stock font is selected.
    ::SelectObject(FDc, ::GetStockObject(DEFAULT_GUI_FONT));
    FFont.Reset();
    FRotatedFont.Reset();
    ::SelectObject(FDc, FontFor(0));
    ::SetTextColor(FDc, ToColorRef(font.Color));
}

HFONT TGdiChartCanvas::FontFor(int angle) {
    TFontHandle& slot = angle == 0 ? FFont : FRotatedFont;
    if (!slot) {
        LOGFONTW lf{};
        lf.lfHeight = -std::max(1, FFontSpec.Height);
        lf.lfEscapement = lf.lfOrientation = angle * 10;
        lf.lfWeight = FFontSpec.Bold ? FW_BOLD : FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_TT_PRECIS;  // a TrueType face can be rotated
        lf.lfQuality = DEFAULT_QUALITY;
        std::wstring face = Widen(FFontSpec.Name);
        face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
        std::copy(face.begin(), face.end(), lf.lfFaceName);
        slot.Reset(::CreateFontIndirectW(&lf));
    }
    return slot.Get();
}

void TGdiChartCanvas::Polygon(const TScreenPoint* points, std::size_t count) {
    if (count < 2) return;
    FPoints.resize(count);
    for (size_t i = 0; i < count; ++i) FPoints[i] = {points[i].X, points[i].Y};
    ::Polygon(FDc, FPoints.data(), static_cast<int>(std::min<size_t>(count, INT32_MAX)));
}

void TGdiChartCanvas::Rectangle(const TScreenRect& r) {
    if (r.IsEmpty()) return;
    ::Rectangle(FDc, r.Left, r.Top, r.Right, r.Bottom);
}

void TGdiChartCanvas::Pie(const TScreenRect& e, TScreenPoint start, TScreenPoint end) {
    if (e.IsEmpty()) return;
    // Narrow wedges go as polygons with a corner every few pixels of arc, which looks the same:
    // some GDI implementations (Wine's) trace the whole ellipse for every Pie call, and a chart
    // of thousands of slices then takes seconds.
    double cx = (e.Left + e.Right) / 2.0, cy = (e.Top + e.Bottom) / 2.0;
    double rx = e.Width() / 2.0, ry = e.Height() / 2.0;
    double a0 = std::atan2(-(start.Y - cy) * rx, (start.X - cx) * ry);
    double a1 = std::atan2(-(end.Y - cy) * rx, (end.X - cx) * ry);
    double span = a1 - a0;
    if (span < 0) span += 2 * std::numbers::pi;
    if (!(start == end) && span > 0 && span < std::numbers::pi / 8) {
        int segments = std::clamp(static_cast<int>(span * std::max(rx, ry) / 3), 1, 64);
        FPoints.clear();
        FPoints.push_back({static_cast<LONG>(std::lround(cx)), static_cast<LONG>(std::lround(cy))});
        for (int i = 0; i <= segments; ++i) {
            double a = a0 + span * i / segments;
            FPoints.push_back({static_cast<LONG>(std::lround(cx + std::cos(a) * rx)),
                               static_cast<LONG>(std::lround(cy - std::sin(a) * ry))});
        }
        ::Polygon(FDc, FPoints.data(), static_cast<int>(FPoints.size()));
        return;
    }
    ::Pie(FDc, e.Left, e.Top, e.Right, e.Bottom, start.X, start.Y, end.X, end.Y);
}

void TGdiChartCanvas::FillRect(const TScreenRect& r, TColor color) {
    if (r.IsEmpty()) return;
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    ::SetDCBrushColor(FDc, ToColorRef(color));
    ::FillRect(FDc, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void TGdiChartCanvas::Line(TScreenPoint from, TScreenPoint to) {
    ::MoveToEx(FDc, from.X, from.Y, nullptr);
    ::LineTo(FDc, to.X, to.Y);
}

void TGdiChartCanvas::PaintText(int x, int y, std::string_view text, int angle) {
    if (text.empty()) return;
    std::wstring wide = Widen(text);
    if (angle != 0) {
        TSelectObject rotated(FDc, FontFor(angle));
        ::TextOutW(FDc, x, y, wide.c_str(), static_cast<int>(wide.size()));
        return;
    }
    ::TextOutW(FDc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

TScreenSize TGdiChartCanvas::TextExtent(std::string_view text) {
    std::wstring wide = Widen(text.empty() ? std::string_view("W") : text);
    SIZE size{};
    ::GetTextExtentPoint32W(FDc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (text.empty()) size.cx = 0;
    return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

void TGdiChartCanvas::SetClip(const TScreenRect& r) {
    TRegionHandle region(::CreateRectRgn(r.Left, r.Top, std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)));
    if (!region) return;
    if (FHasOriginalClip) ::CombineRgn(region.Get(), region.Get(), FOriginalClip.Get(), RGN_AND);
    ::SelectClipRgn(FDc, region.Get());  // the DC keeps a copy
}

void TGdiChartCanvas::ClearClip() {
    ::SelectClipRgn(FDc, FHasOriginalClip ? FOriginalClip.Get() : nullptr);
}

double TGdiChartCanvas::PixelAspect() {
    double w = ::GetDeviceCaps(FDc, HORZRES), h = ::GetDeviceCaps(FDc, VERTRES);
    double wmm = ::GetDeviceCaps(FDc, HORZSIZE), hmm = ::GetDeviceCaps(FDc, VERTSIZE);
    if (w <= 0 || h <= 0 || wmm <= 0 || hmm <= 0) return 1.0;
    double e = (w / h) / (wmm / hmm);
    return e > 0.1 && e < 10 ? e : 1.0;
}

TDibSection::TDibSection(int width, int height, bool withDc) {
    FDc.Reset(::CreateCompatibleDC(nullptr));
    if (width <= 0 || height <= 0 || !FDc) return;
    FBitmap = CreateDib32(width, height, FBits);
    if (!FBitmap) return;
    FWidth = width;
    FHeight = height;
    if (withDc) FOldBitmap = ::SelectObject(FDc.Get(), FBitmap.Get());
}

TDibSection::~TDibSection() {
    if (FOldBitmap) ::SelectObject(FDc.Get(), FOldBitmap);
}

std::uint32_t TDibSection::Pixel(int x, int y) const {
    if (!FBits || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return FBits[static_cast<size_t>(y) * FWidth + x] & 0xFFFFFF;
}
