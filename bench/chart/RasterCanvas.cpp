#include "RasterCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

TRasterCanvas::TRasterCanvas(int width, int height)
    : FWidth(std::max(width, 0)),
      FHeight(std::max(height, 0)),
      FPixels(static_cast<size_t>(FWidth) * FHeight, 0),
      FClip{0, 0, FWidth, FHeight} {}

void TRasterCanvas::SetPen(TColor color, int, TPenStyle style) {
    FPen = color;
    FPenStyle = style;
}

void TRasterCanvas::SetBrush(TColor color, bool clear) {
    FBrush = color;
    FBrushClear = clear;
}

void TRasterCanvas::FillSpan(int y, int x0, int x1, TColor color) {
    if (y < FClip.Top || y >= FClip.Bottom) return;
    x0 = std::max(x0, FClip.Left);
    x1 = std::min(x1, FClip.Right);
    if (x0 >= x1) return;
    std::fill(FPixels.begin() + static_cast<long>(y) * FWidth + x0,
              FPixels.begin() + static_cast<long>(y) * FWidth + x1, color);
}

void TRasterCanvas::FillRect(const TScreenRect& r, TColor color) {
    for (int y = std::max(r.Top, FClip.Top); y < std::min(r.Bottom, FClip.Bottom); ++y)
        FillSpan(y, r.Left, r.Right, color);
}

void TRasterCanvas::FillPolygon(const TScreenPoint* p, std::size_t n, TColor color) {
    int top = p[0].Y, bottom = p[0].Y;
    for (size_t i = 1; i < n; ++i) {
        top = std::min(top, p[i].Y);
        bottom = std::max(bottom, p[i].Y);
    }
    top = std::max(top, FClip.Top);
    bottom = std::min(bottom, FClip.Bottom - 1);
    for (int y = top; y <= bottom; ++y) {
        // Even-odd rule at the pixel centres of the row.
        double cy = y + 0.5;
        FCrossings.clear();
        for (size_t i = 0; i < n; ++i) {
            const TScreenPoint& a = p[i];
            const TScreenPoint& b = p[(i + 1) % n];
            if ((a.Y <= cy) == (b.Y <= cy)) continue;
            FCrossings.push_back(a.X + (cy - a.Y) * (b.X - a.X) / (b.Y - a.Y));
        }
        std::sort(FCrossings.begin(), FCrossings.end());
        for (size_t k = 0; k + 1 < FCrossings.size(); k += 2)
            FillSpan(y, static_cast<int>(std::ceil(FCrossings[k] - 0.5)),
                     static_cast<int>(std::ceil(FCrossings[k + 1] - 0.5)), color);
    }
}

void TRasterCanvas::Outline(const TScreenPoint* p, std::size_t n) {
    if (FPenStyle == TPenStyle::psClear) return;
    for (size_t i = 0; i < n; ++i) Line(p[i], p[(i + 1) % n]);
}

void TRasterCanvas::Polygon(const TScreenPoint* points, std::size_t count) {
    if (count < 3) return;
    if (!FBrushClear) FillPolygon(points, count, FBrush);
    Outline(points, count);
}

void TRasterCanvas::Rectangle(const TScreenRect& r) {
    if (r.IsEmpty()) return;
    if (!FBrushClear) FillRect(r, FBrush);
    TScreenPoint corners[4] = {
        {r.Left, r.Top}, {r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left, r.Bottom - 1}};
    Outline(corners, 4);
}

void TRasterCanvas::Pie(const TScreenRect& e, TScreenPoint start, TScreenPoint end) {
    if (e.IsEmpty()) return;
    double cx = (e.Left + e.Right) / 2.0, cy = (e.Top + e.Bottom) / 2.0;
    double rx = e.Width() / 2.0, ry = e.Height() / 2.0;
    double a0 = std::atan2(-(start.Y - cy) / ry, (start.X - cx) / rx);
    double a1 = std::atan2(-(end.Y - cy) / ry, (end.X - cx) / rx);
    double span = a1 - a0;
    constexpr double kTwoPi = 2 * std::numbers::pi;
    while (span <= 0) span += kTwoPi;  // counter-clockwise; equal ends make the whole ellipse
    int segments = std::clamp(static_cast<int>(span * std::max(rx, ry) / 4), 2, 128);
    FWedge.clear();
    FWedge.push_back({static_cast<int>(std::lround(cx)), static_cast<int>(std::lround(cy))});
    for (int i = 0; i <= segments; ++i) {
        double a = a0 + span * i / segments;
        FWedge.push_back({static_cast<int>(std::lround(cx + std::cos(a) * rx)),
                          static_cast<int>(std::lround(cy - std::sin(a) * ry))});
    }
    Polygon(FWedge.data(), FWedge.size());
}

void TRasterCanvas::Line(TScreenPoint a, TScreenPoint b) {
    if (FPenStyle == TPenStyle::psClear) return;
    int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
    int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
    int err = dx + dy, step = 0;
    // Limited to a few screens' worth of pixels, whatever the coordinates.
    for (int guard = 0; guard < 20000; ++guard, ++step) {
        if (FPenStyle != TPenStyle::psDot || step % 2 == 0)
            if (FClip.Contains(a.X, a.Y)) FPixels[static_cast<size_t>(a.Y) * FWidth + a.X] = FPen;
        if (a.X == b.X && a.Y == b.Y) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            a.X += sx;
        }
        if (e2 <= dx) {
            err += dx;
            a.Y += sy;
        }
    }
}

void TRasterCanvas::PaintText(int x, int y, std::string_view text, int angle) {
    TScreenSize s = TextExtent(text);
    int glyph = std::max(1, s.Height / 3);
    // A thin bar through the middle of the text box stands in for the glyphs.
    if (angle == 0)
        FillRect({x, y + s.Height / 2, x + s.Width, y + s.Height / 2 + glyph}, FFont.Color);
    else
        FillRect({x + s.Height / 2, y - s.Width, x + s.Height / 2 + glyph, y}, FFont.Color);
}

TScreenSize TRasterCanvas::TextExtent(std::string_view text) {
    return {static_cast<int>(text.size()) * std::max(1, FFont.Height * 6 / 10), FFont.Height + 3};
}

void TRasterCanvas::SetClip(const TScreenRect& r) {
    FClip = {std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, FWidth), std::min(r.Bottom, FHeight)};
}

void TRasterCanvas::ClearClip() {
    FClip = {0, 0, FWidth, FHeight};
}
