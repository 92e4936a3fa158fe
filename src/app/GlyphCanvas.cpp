#include "app/GlyphCanvas.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSamples = 4;  // 4 x 4 samples per pixel

bool InPolygon(const std::vector<TGlyphPoint>& pts, double x, double y) {
    // Non-zero winding rule, so that self-overlapping outlines fill solid.
    int winding = 0;
    std::size_t n = pts.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const TGlyphPoint& a = pts[j];
        const TGlyphPoint& b = pts[i];
        if (a.Y <= y) {
            if (b.Y > y && (b.X - a.X) * (y - a.Y) - (x - a.X) * (b.Y - a.Y) > 0) ++winding;
        } else if (b.Y <= y && (b.X - a.X) * (y - a.Y) - (x - a.X) * (b.Y - a.Y) < 0) {
            --winding;
        }
    }
    return winding != 0;
}

double SegmentDistance2(const TGlyphPoint& a, const TGlyphPoint& b, double x, double y) {
    double dx = b.X - a.X, dy = b.Y - a.Y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / len2, 0.0, 1.0) : 0.0;
    double px = a.X + t * dx - x, py = a.Y + t * dy - y;
    return px * px + py * py;
}

}  // namespace

TGlyphCanvas::TGlyphCanvas(int width, int height, std::uint32_t* pixels, double units)
    : FWidth(width), FHeight(height), FPixels(pixels), FScale(width / units) {}

void TGlyphCanvas::Clear(std::uint32_t color) {
    std::fill(FPixels, FPixels + FWidth * FHeight, color);
}

void TGlyphCanvas::Blend(int x, int y, std::uint32_t color, double coverage) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || coverage <= 0) return;
    std::uint32_t& dst = FPixels[y * FWidth + x];
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

template <typename Inside>
void TGlyphCanvas::Cover(double x0, double y0, double x1, double y1, std::uint32_t color, bool erase, Inside inside) {
    int px0 = std::max(0, static_cast<int>(std::floor(x0 * FScale)));
    int py0 = std::max(0, static_cast<int>(std::floor(y0 * FScale)));
    int px1 = std::min(FWidth, static_cast<int>(std::ceil(x1 * FScale)));
    int py1 = std::min(FHeight, static_cast<int>(std::ceil(y1 * FScale)));
    for (int py = py0; py < py1; ++py) {
        for (int px = px0; px < px1; ++px) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    double x = (px + (sx + 0.5) / kSamples) / FScale;
                    double y = (py + (sy + 0.5) / kSamples) / FScale;
                    if (inside(x, y)) ++hits;
                }
            }
            if (hits == 0) continue;
            double coverage = static_cast<double>(hits) / (kSamples * kSamples);
            if (erase) {
                std::uint32_t& dst = FPixels[py * FWidth + px];
                auto a = static_cast<std::uint32_t>(std::lround(((dst >> 24) & 0xFF) * (1 - coverage)));
                dst = a == 0 ? 0 : (dst & 0x00FFFFFFu) | (a << 24);
            } else {
                Blend(px, py, color, coverage);
            }
        }
    }
}

void TGlyphCanvas::FillRect(double x0, double y0, double x1, double y1, std::uint32_t color) {
    if (x1 <= x0 || y1 <= y0) return;
    // Snap to whole pixels; a rectangle never vanishes below one pixel.
    int px0 = static_cast<int>(std::lround(x0 * FScale)), px1 = static_cast<int>(std::lround(x1 * FScale));
    int py0 = static_cast<int>(std::lround(y0 * FScale)), py1 = static_cast<int>(std::lround(y1 * FScale));
    if (px1 <= px0) px1 = px0 + 1;
    if (py1 <= py0) py1 = py0 + 1;
    for (int y = std::max(0, py0); y < std::min(FHeight, py1); ++y) {
        for (int x = std::max(0, px0); x < std::min(FWidth, px1); ++x) Blend(x, y, color, 1.0);
    }
}

void TGlyphCanvas::FrameRect(double x0, double y0, double x1, double y1, std::uint32_t color, double thickness) {
    // Thickness in whole pixels, then back to units so that the four sides meet exactly.
    double t = std::max(1.0, std::round(thickness * FScale)) / FScale;
    FillRect(x0, y0, x1, y0 + t, color);
    FillRect(x0, y1 - t, x1, y1, color);
    FillRect(x0, y0 + t, x0 + t, y1 - t, color);
    FillRect(x1 - t, y0 + t, x1, y1 - t, color);
}

void TGlyphCanvas::FillEllipse(double cx, double cy, double rx, double ry, std::uint32_t color) {
    if (rx <= 0 || ry <= 0) return;
    Cover(cx - rx, cy - ry, cx + rx, cy + ry, color, false, [&](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    });
}

void TGlyphCanvas::EraseEllipse(double cx, double cy, double rx, double ry) {
    if (rx <= 0 || ry <= 0) return;
    Cover(cx - rx, cy - ry, cx + rx, cy + ry, 0, true, [&](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    });
}

void TGlyphCanvas::FillPolygon(const std::vector<TGlyphPoint>& points, std::uint32_t color) {
    if (points.size() < 3) return;
    double x0 = points[0].X, x1 = x0, y0 = points[0].Y, y1 = y0;
    for (const auto& p : points) {
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    Cover(x0, y0, x1, y1, color, false, [&](double x, double y) { return InPolygon(points, x, y); });
}

void TGlyphCanvas::StrokeLine(const std::vector<TGlyphPoint>& points, double width, std::uint32_t color) {
    if (points.empty() || width <= 0) return;
    double r = width / 2, x0 = points[0].X, x1 = x0, y0 = points[0].Y, y1 = y0;
    for (const auto& p : points) {
        x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    // One pass over the whole line, so that overlapping segments do not darken their joins.
    Cover(x0 - r, y0 - r, x1 + r, y1 + r, color, false, [&](double x, double y) {
        if (points.size() == 1) return SegmentDistance2(points[0], points[0], x, y) <= r * r;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (SegmentDistance2(points[i - 1], points[i], x, y) <= r * r) return true;
        }
        return false;
    });
}

std::vector<TGlyphPoint> TGlyphCanvas::Arc(double cx, double cy, double rx, double ry, double from, double to,
                                           int steps) {
    std::vector<TGlyphPoint> points;
    constexpr double kPi = 3.14159265358979323846;
    for (int i = 0; i <= steps; ++i) {
        double a = (from + (to - from) * i / steps) * kPi / 180.0;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}
