#pragma once
// Paints the program's glyphs: shapes given on a design grid (16 x 16 units unless told otherwise)
// are painted at any pixel size into 32-bit pixels 0xAARRGGBB with straight (not premultiplied)
// alpha, top row first. The shapes are drawn by the framework's canvas in white on a black mask
// four times the size each way; the share of white samples under a pixel is its coverage, which
// blends the shape's colour into the pixel. So the glyphs are anti-aliased, have alpha, and are
// drawn by the same canvas as the controls and the chart. Axis-aligned rectangles snap to whole
// pixels so that their edges stay sharp at every scale.
#include <cstdint>
#include <vector>

#include "ui/Graphics.h"

struct TGlyphPoint {
    double X;
    double Y;
};

// Colour from its parts; alpha 255 is opaque.
constexpr std::uint32_t Argb(int r, int g, int b, int a = 255) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

class TGlyphPainter {
public:
    // Paints onto `pixels` (width x height, both at least 1; not owned) with `units` design units
    // across the width.
    TGlyphPainter(int width, int height, std::uint32_t* pixels, double units = 16.0);

    void Clear(std::uint32_t color = 0);
    void FillRect(double x0, double y0, double x1, double y1, std::uint32_t color);
    // A rectangle's outline, `thickness` design units wide (at least one pixel), inside the rectangle.
    void FrameRect(double x0, double y0, double x1, double y1, std::uint32_t color, double thickness = 1.0);
    void FillEllipse(double cx, double cy, double rx, double ry, std::uint32_t color);
    // Filled by the non-zero winding rule, so that self-overlapping outlines fill solid.
    void FillPolygon(const std::vector<TGlyphPoint>& points, std::uint32_t color);
    // A line through `points`, `width` units wide, with round ends and joins.
    void StrokeLine(const std::vector<TGlyphPoint>& points, double width, std::uint32_t color);
    // Makes the area of an ellipse transparent again (holes).
    void EraseEllipse(double cx, double cy, double rx, double ry);

    // Points along an arc of an ellipse, angles in degrees, clockwise on screen from the x axis.
    static std::vector<TGlyphPoint> Arc(double cx, double cy, double rx, double ry, double from, double to,
                                        int steps = 24);

    double Scale() const { return FScale; }

private:
    // Clears the mask under the design-unit box (x0, y0)-(x1, y1), lets `draw` draw the shape on
    // the mask's canvas, and blends (or erases) each pixel of the box by its coverage.
    template <typename Draw>
    void Paint(double x0, double y0, double x1, double y1, std::uint32_t color, bool erase, Draw draw);
    void Blend(std::uint32_t& dst, std::uint32_t color, double coverage) const;
    // A design-unit coordinate in mask pixels.
    int Mask(double v) const;

    int FWidth;
    int FHeight;
    std::uint32_t* FPixels;
    double FScale;
    TBitmap FMask;
};
