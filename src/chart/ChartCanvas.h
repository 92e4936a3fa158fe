#pragma once
// The drawing surface of the charting component: a small set of 2D primitives that the chart
// engine draws through. The framework's TCanvas (ui/Graphics) draws it with GDI; tests record calls.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Color.h"

// Marker, never drawn as such: "take the palette colour of the point's index".
constexpr TColor clTeeColor = 0x20000000u;

struct TScreenPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TScreenPoint&, const TScreenPoint&) = default;
};

// Left and top inclusive, right and bottom exclusive (as GDI rectangles).
struct TScreenRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    friend bool operator==(const TScreenRect&, const TScreenRect&) = default;
};

struct TScreenSize {
    int Width = 0;
    int Height = 0;
};

enum class TPenStyle { psSolid, psDot, psClear };

struct TChartFont {
    std::string Name = "Verdana";
    int Height = 13;  // character height in pixels
    bool Bold = false;
    TColor Color = clBlack;
    friend bool operator==(const TChartFont&, const TChartFont&) = default;
};

class TChartCanvas {
public:
    virtual ~TChartCanvas() = default;

    // Pen for outlines and lines; width in pixels.
    virtual void SetPen(TColor color, int width, TPenStyle style) = 0;
    // Brush for fills; clear means shapes are outlined only.
    virtual void SetBrush(TColor color, bool clear) = 0;
    virtual void SetFont(const TChartFont& font) = 0;

    // Filled with the brush, outlined with the pen.
    virtual void Polygon(const TScreenPoint* points, std::size_t count) = 0;
    virtual void Rectangle(const TScreenRect& rect) = 0;
    // The wedge of the ellipse inscribed in `ellipse`, counter-clockwise from the radial through
    // `start` to the radial through `end`; when both are the same point, the whole ellipse.
    virtual void Pie(const TScreenRect& ellipse, TScreenPoint start, TScreenPoint end) = 0;
    // Fills a rectangle with one colour, no outline (gradient bands, backgrounds).
    virtual void FillRect(const TScreenRect& rect, TColor color) = 0;
    virtual void Line(TScreenPoint from, TScreenPoint to) = 0;

    // Text in the current font with a transparent background; (x, y) is the top left corner of
    // the unrotated text; angle in degrees counter-clockwise (0 or 90).
    virtual void PaintText(int x, int y, std::string_view text, int angle) = 0;
    virtual TScreenSize TextExtent(std::string_view text) = 0;
    int TextWidth(std::string_view text) { return TextExtent(text).Width; }
    int TextHeight(std::string_view text) { return TextExtent(text).Height; }

    // Limits all drawing to `rect` until ClearClip.
    virtual void SetClip(const TScreenRect& rect) = 0;
    virtual void ClearClip() = 0;

    // The device's horizontal pixel density over its vertical one (1 for square pixels): its
    // width over height in pixels, divided by its width over height in millimetres.
    virtual double PixelAspect() { return 1.0; }
};
