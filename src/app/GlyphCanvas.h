#pragma once
// A small anti-aliased painter for the program's glyphs. Shapes are given on a design grid
// (16 x 16 units unless told otherwise) and painted at any pixel size into 32-bit pixels
// 0xAARRGGBB with straight (not premultiplied) alpha, top row first. Axis-aligned rectangles
// snap to whole pixels so that their edges stay sharp at every scale.
#include <cstdint>
#include <vector>

struct TGlyphPoint {
    double X;
    double Y;
};

// Colour from its parts; alpha 255 is opaque.
constexpr std::uint32_t Argb(int r, int g, int b, int a = 255) {
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

class TGlyphCanvas {
public:
    // Paints onto `pixels` (width x height, not owned) with `units` design units across the width.
    TGlyphCanvas(int width, int height, std::uint32_t* pixels, double units = 16.0);

    void Clear(std::uint32_t color = 0);
    void FillRect(double x0, double y0, double x1, double y1, std::uint32_t color);
    // A rectangle's outline, `thickness` design units wide (at least one pixel), inside the rectangle.
    void FrameRect(double x0, double y0, double x1, double y1, std::uint32_t color, double thickness = 1.0);
    void FillEllipse(double cx, double cy, double rx, double ry, std::uint32_t color);
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
    template <typename Inside>
    void Cover(double x0, double y0, double x1, double y1, std::uint32_t color, bool erase, Inside inside);
    void Blend(int x, int y, std::uint32_t color, double coverage);

    int FWidth;
    int FHeight;
    std::uint32_t* FPixels;
    double FScale;
};
