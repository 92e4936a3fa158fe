#pragma once
// A chart canvas for portable tests: records every drawing call with the state it was drawn in,
// and measures text with fixed metrics (each character half the font height wide; lines three
// pixels taller than the font).
#include <algorithm>
#include <string>
#include <vector>

#include "chart/ChartCanvas.h"

struct TRecordedCall {
    enum TKind { Polygon, Rectangle, Pie, FillRect, Line, Write, Clip, Unclip } Kind;
    std::vector<TScreenPoint> Points;  // polygon corners; pie start and end; line ends
    TScreenRect Rect;                  // rectangle, fill, pie ellipse, clip
    TColor Brush = 0;                  // fill colour (FillRect: its colour)
    bool BrushClear = false;
    TColor Pen = 0;
    TPenStyle PenStyle = TPenStyle::psSolid;
    std::string Text;
    int Angle = 0;
    TChartFont Font;
};

class TRecordingCanvas : public TChartCanvas {
public:
    std::vector<TRecordedCall> Calls;
    double Aspect = 1.0;

    void SetPen(TColor color, int width, TPenStyle style) override;
    void SetBrush(TColor color, bool clear) override;
    void SetFont(const TChartFont& font) override { FFont = font; }
    void Polygon(const TScreenPoint* points, std::size_t count) override;
    void Rectangle(const TScreenRect& rect) override;
    void Pie(const TScreenRect& ellipse, TScreenPoint start, TScreenPoint end) override;
    void FillRect(const TScreenRect& rect, TColor color) override;
    void Line(TScreenPoint from, TScreenPoint to) override;
    void PaintText(int x, int y, std::string_view text, int angle) override;
    TScreenSize TextExtent(std::string_view text) override;
    void SetClip(const TScreenRect& rect) override;
    void ClearClip() override;
    double PixelAspect() override { return Aspect; }

    // The calls of one kind, in order.
    std::vector<TRecordedCall> Of(TRecordedCall::TKind kind) const;
    // The texts drawn, in order.
    std::vector<std::string> Texts() const;

private:
    TRecordedCall Make(TRecordedCall::TKind kind) const;
    TColor FPen = 0, FBrush = 0;
    TPenStyle FPenStyle = TPenStyle::psSolid;
    bool FBrushClear = false;
    TChartFont FFont;
};

// Counts drawing calls and keeps nothing, for drawings too large to record.
class TCountingCanvas : public TChartCanvas {
public:
    long long Shapes = 0;  // polygons, rectangles, pies, fills, lines
    long long Points = 0;  // polygon corners
    long long Texts = 0;

    void SetPen(TColor, int, TPenStyle) override {}
    void SetBrush(TColor, bool) override {}
    void SetFont(const TChartFont& font) override { FHeight = font.Height; }
    void Polygon(const TScreenPoint*, std::size_t count) override {
        ++Shapes;
        Points += static_cast<long long>(count);
    }
    void Rectangle(const TScreenRect&) override { ++Shapes; }
    void Pie(const TScreenRect&, TScreenPoint, TScreenPoint) override { ++Shapes; }
    void FillRect(const TScreenRect&, TColor) override { ++Shapes; }
    void Line(TScreenPoint, TScreenPoint) override { ++Shapes; }
    void PaintText(int, int, std::string_view, int) override { ++Texts; }
    TScreenSize TextExtent(std::string_view text) override {
        return {static_cast<int>(text.size()) * std::max(1, FHeight / 2), FHeight + 3};
    }
    void SetClip(const TScreenRect&) override {}
    void ClearClip() override {}

private:
    int FHeight = 13;
};
