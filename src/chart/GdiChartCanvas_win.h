#pragma once
// The chart canvas on a GDI device context (Windows only), and a 32-bit top-down DIB section with
// its own memory DC for off-screen drawing, snapshots and pixel checks.
#include <cstdint>
#include <vector>

#include "chart/ChartCanvas.h"
#include "platform/WinHandle.h"

class TGdiChartCanvas : public TChartCanvas {
public:
    // Draws on `dc`, which must outlive the canvas; every DC attribute, selected object and the
    // clip region are put back when the canvas goes.
    explicit TGdiChartCanvas(HDC dc);
    ~TGdiChartCanvas() override;
    TGdiChartCanvas(const TGdiChartCanvas&) = delete;
    TGdiChartCanvas& operator=(const TGdiChartCanvas&) = delete;

    void SetPen(TColor color, int width, TPenStyle style) override;
    void SetBrush(TColor color, bool clear) override;
    void SetFont(const TChartFont& font) override;
    void Polygon(const TScreenPoint* points, std::size_t count) override;
    void Rectangle(const TScreenRect& rect) override;
    void Pie(const TScreenRect& ellipse, TScreenPoint start, TScreenPoint end) override;
    void FillRect(const TScreenRect& rect, TColor color) override;
    void Line(TScreenPoint from, TScreenPoint to) override;
    void PaintText(int x, int y, std::string_view text, int angle) override;
    TScreenSize TextExtent(std::string_view text) override;
    void SetClip(const TScreenRect& rect) override;
    void ClearClip() override;
    double PixelAspect() override;

private:
    HFONT FontFor(int angle);

    HDC FDc;
    // Objects first: they are deleted after the saved DC state (which deselects them) is restored.
    TPenHandle FPen;
    TBrushHandle FBrush;
    TFontHandle FFont;
    TFontHandle FRotatedFont;
    TRegionHandle FOriginalClip;
    bool FHasOriginalClip = false;
    TChartFont FFontSpec;
    bool FFontValid = false;
    TColor FPenColor = 0;
    int FPenWidth = -1;
    TPenStyle FPenStyle = TPenStyle::psSolid;
    TColor FBrushColor = 0;
    bool FBrushClear = false;
    bool FBrushValid = false;
    std::vector<POINT> FPoints;
    TSaveDc FSaved;
};

// A 32-bit top-down DIB section, selected into its own memory DC unless `withDc` is false (a
// bitmap can be selected into one DC at a time, so one that is drawn into elsewhere stays
// unselected). A size of 0 in either direction gives no bitmap and no pixels.
class TDibSection {
public:
    TDibSection(int width, int height, bool withDc = true);
    TDibSection(const TDibSection&) = delete;
    TDibSection& operator=(const TDibSection&) = delete;
    ~TDibSection();

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    HDC Dc() const { return FDc.Get(); }
    HBITMAP Bitmap() const { return FBitmap.Get(); }
    // Pixel (x, y) as 0x00RRGGBB; 0 outside.
    std::uint32_t Pixel(int x, int y) const;
    // All pixels, top row first, as 0x00RRGGBB (call GdiFlush first if GDI may still be drawing).
    const std::uint32_t* Pixels() const { return FBits; }

private:
    int FWidth = 0;
    int FHeight = 0;
    TMemDc FDc;
    TBitmapHandle FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    std::uint32_t* FBits = nullptr;
};

// Converts a chart colour to a GDI COLORREF (the same layout).
inline COLORREF ToColorRef(TColor color) {
    return static_cast<COLORREF>(color & 0xFFFFFF);
}
