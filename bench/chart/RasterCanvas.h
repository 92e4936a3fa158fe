#pragma once
// A software rasteriser behind the chart canvas interface, so that benchmarks measure the engine
// together with real filling work: solid scan-line fills of polygons, pie wedges and rectangles,
// lines and clipping on a 32-bit pixel buffer. Text is measured with fixed metrics and drawn as
// a filled box of its extent.
#include <cstdint>
#include <vector>

#include "chart/ChartCanvas.h"

class TRasterCanvas : public TChartCanvas {
public:
    TRasterCanvas(int width, int height);

    const std::vector<std::uint32_t>& Pixels() const { return FPixels; }

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

private:
    void FillSpan(int y, int x0, int x1, TColor color);
    void FillPolygon(const TScreenPoint* points, std::size_t count, TColor color);
    void Outline(const TScreenPoint* points, std::size_t count);

    int FWidth, FHeight;
    std::vector<std::uint32_t> FPixels;
    TScreenRect FClip;
    TColor FPen = 0;
    TPenStyle FPenStyle = TPenStyle::psSolid;
    TColor FBrush = 0;
    bool FBrushClear = false;
    TChartFont FFont;
    std::vector<double> FCrossings;
    std::vector<TScreenPoint> FWedge;
};
