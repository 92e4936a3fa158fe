#include "app/GlyphPainter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kSamples = 4;  // mask pixels per image pixel each way: 16 samples per pixel

std::vector<TScreenPoint> ToMask(const std::vector<TGlyphPoint>& points, double factor) {
    std::vector<TScreenPoint> out;
    out.reserve(points.size());
    for (const auto& p : points) {
        out.push_back({static_cast<int>(std::lround(p.X * factor)), static_cast<int>(std::lround(p.Y * factor))});
    }
    return out;
}

}  // namespace

TGlyphPainter::TGlyphPainter(int width, int height, std::uint32_t* pixels, double units)
    : FWidth(width),
      FHeight(height),
      FPixels(pixels),
      FScale(width / units),
      FMask(width * kSamples, height * kSamples) {}

int TGlyphPainter::Mask(double v) const {
    return static_cast<int>(std::lround(v * FScale * kSamples));
}

void TGlyphPainter::Clear(std::uint32_t color) {
    std::fill(FPixels, FPixels + FWidth * FHeight, color);
}

void TGlyphPainter::Blend(std::uint32_t& dst, std::uint32_t color, double coverage) const {
    double sa = ((color >> 24) & 0xFF) / 255.0 * coverage;
    double da = ((dst >> 24) & 0xFF) / 255.0;
    double oa = sa + da * (1 - sa);
    if (oa <= 0) {
        dst = 0;
        return;
    }
    auto channel = [&](int shift) {
        double s = (color >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        return static_cast<std::uint32_t>(std::lround((s * sa + d * da * (1 - sa)) / oa)) << shift;
    };
    dst = (static_cast<std::uint32_t>(std::lround(oa * 255)) << 24) | channel(16) | channel(8) | channel(0);
}

template <typename Draw>
void TGlyphPainter::Paint(double x0, double y0, double x1, double y1, std::uint32_t color, bool erase, Draw draw) {
    // The box in pixels, one mask pixel wider each way for the outline GDI draws on the edge.
    double f = FScale * kSamples;
    int px0 = std::max(0, static_cast<int>(std::floor((x0 * f - 1) / kSamples)));
    int py0 = std::max(0, static_cast<int>(std::floor((y0 * f - 1) / kSamples)));
    int px1 = std::min(FWidth, static_cast<int>(std::ceil((x1 * f + 1) / kSamples)));
    int py1 = std::min(FHeight, static_cast<int>(std::ceil((y1 * f + 1) / kSamples)));
    if (px1 <= px0 || py1 <= py0) return;

    TCanvas& canvas = FMask.Canvas();
    canvas.FillRect(TScreenRect{px0 * kSamples, py0 * kSamples, px1 * kSamples, py1 * kSamples}, clBlack);
    canvas.SetBrush(clWhite, false);
    canvas.SetPen(clWhite, 1, TPenStyle::psSolid);  // the outline makes the shape reach its right and bottom edges
    draw(canvas);
    ::GdiFlush();

    const std::uint32_t* bits = FMask.Bits();
    const int stride = FMask.Width();
    for (int py = py0; py < py1; ++py) {
        for (int px = px0; px < px1; ++px) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                const std::uint32_t* row = bits + static_cast<std::size_t>(py * kSamples + sy) * stride + px * kSamples;
                for (int sx = 0; sx < kSamples; ++sx) hits += (row[sx] & 0xFF) >= 0x80;
            }
            if (hits == 0) continue;
            double coverage = static_cast<double>(hits) / (kSamples * kSamples);
            std::uint32_t& dst = FPixels[py * FWidth + px];
            if (erase) {
                auto a = static_cast<std::uint32_t>(std::lround(((dst >> 24) & 0xFF) * (1 - coverage)));
                dst = a == 0 ? 0 : (dst & 0x00FFFFFFu) | (a << 24);
            } else {
                Blend(dst, color, coverage);
            }
        }
    }
}

void TGlyphPainter::FillRect(double x0, double y0, double x1, double y1, std::uint32_t color) {
    if (x1 <= x0 || y1 <= y0) return;
    // Snap to whole pixels; a rectangle never vanishes below one pixel.
    int px0 = static_cast<int>(std::lround(x0 * FScale)), px1 = static_cast<int>(std::lround(x1 * FScale));
    int py0 = static_cast<int>(std::lround(y0 * FScale)), py1 = static_cast<int>(std::lround(y1 * FScale));
    if (px1 <= px0) px1 = px0 + 1;
    if (py1 <= py0) py1 = py0 + 1;
    Paint(px0 / FScale, py0 / FScale, px1 / FScale, py1 / FScale, color, false, [&](TCanvas& c) {
        c.FillRect(TScreenRect{px0 * kSamples, py0 * kSamples, px1 * kSamples, py1 * kSamples}, clWhite);
    });
}

void TGlyphPainter::FrameRect(double x0, double y0, double x1, double y1, std::uint32_t color, double thickness) {
    // Thickness in whole pixels, then back to units so that the four sides meet exactly.
    double t = std::max(1.0, std::round(thickness * FScale)) / FScale;
    FillRect(x0, y0, x1, y0 + t, color);
    FillRect(x0, y1 - t, x1, y1, color);
    FillRect(x0, y0 + t, x0 + t, y1 - t, color);
    FillRect(x1 - t, y0 + t, x1, y1 - t, color);
}

void TGlyphPainter::FillEllipse(double cx, double cy, double rx, double ry, std::uint32_t color) {
    if (rx <= 0 || ry <= 0) return;
    Paint(cx - rx, cy - ry, cx + rx, cy + ry, color, false,
          [&](TCanvas& c) { c.Ellipse(Mask(cx - rx), Mask(cy - ry), Mask(cx + rx), Mask(cy + ry)); });
}

void TGlyphPainter::EraseEllipse(double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return;
    Paint(cx - rx, cy - ry, cx + rx, cy + ry, 0, true,
          [&](TCanvas& c) { c.Ellipse(Mask(cx - rx), Mask(cy - ry), Mask(cx + rx), Mask(cy + ry)); });
}

void TGlyphPainter::FillPolygon(const std::vector<TGlyphPoint>& points, std::uint32_t color) {
    if (points.size() < 3) return;
    double x0 = points[0].X, x1 = x0, y0 = points[0].Y, y1 = y0;
    for (const auto& p : points) {
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    std::vector<TScreenPoint> mask = ToMask(points, FScale * kSamples);
    Paint(x0, y0, x1, y1, color, false, [&](TCanvas& c) { c.Polygon(mask.data(), mask.size()); });
}

void TGlyphPainter::StrokeLine(const std::vector<TGlyphPoint>& points, double width, std::uint32_t color) {
    if (points.empty() || width <= 0) return;
    double r = width / 2, x0 = points[0].X, x1 = x0, y0 = points[0].Y, y1 = y0;
    for (const auto& p : points) {
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    std::vector<TScreenPoint> mask = ToMask(points, FScale * kSamples);
    // The whole line goes onto the mask before it is blended, so overlapping segments do not
    // darken their joins. A pen wider than one pixel has round ends and joins.
    int penWidth = std::max(1, static_cast<int>(std::lround(width * FScale * kSamples)));
    Paint(x0 - r, y0 - r, x1 + r, y1 + r, color, false, [&](TCanvas& c) {
        if (mask.size() == 1) {
            c.SetPen(clNone, 1, TPenStyle::psClear);
            int d = penWidth / 2;
            c.Ellipse(mask[0].X - d, mask[0].Y - d, mask[0].X - d + penWidth, mask[0].Y - d + penWidth);
            return;
        }
        c.SetPen(clWhite, penWidth, TPenStyle::psSolid);
        c.MoveTo(mask[0].X, mask[0].Y);
        for (std::size_t i = 1; i < mask.size(); ++i) c.LineTo(mask[i].X, mask[i].Y);
    });
}

std::vector<TGlyphPoint> TGlyphPainter::Arc(double cx, double cy, double rx, double ry, double from, double to,
                                            int steps) {
    std::vector<TGlyphPoint> points;
    for (int i = 0; i <= steps; ++i) {
        double a = (from + (to - from) * i / steps) * std::numbers::pi / 180.0;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}
