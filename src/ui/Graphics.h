#pragma once
// Colours, fonts, the GDI canvas (also the chart's drawing surface) and 32-bit bitmaps.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/ChartCanvas.h"
#include "platform/Color.h"
#include "platform/WinHandle.h"

// Values of TColor with the top byte 0xFF name a system colour by its COLOR_ index.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;

// The RGB value of a colour, resolving system colours.
COLORREF ColorToRGB(TColor color);

// Scales a design size (at 96 DPI) to a DPI, rounding to nearest.
inline int ScaleForDpi(int value, int dpi) {
    return ::MulDiv(value, dpi, 96);
}

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

enum class TFontQuality { fqDefault, fqClearType, fqNonAntialiased };

// The one place GDI fonts are made. `pixelHeight` is the character height (without internal
// leading); `style` any TFontStyle bits; `angle` the baseline's direction in degrees
// counter-clockwise. TrueType faces are preferred, since only they rotate. The caller owns the font.
TFontHandle CreateFontHandle(const std::string& face, int pixelHeight, unsigned style, int angle = 0,
                             TFontQuality quality = TFontQuality::fqDefault);

// A font description. The GDI font is made for a given DPI from the size in points.
struct TFont {
    std::string Name = "Verdana";
    int Size = 8;  // points
    unsigned Style = 0;
    TColor Color = clWindowText;

    bool operator==(const TFont&) const = default;
    // The character height in pixels at the DPI.
    int PixelHeight(int dpi) const { return ::MulDiv(Size, dpi, 72); }
    // A new GDI font for this description at the DPI; the caller owns it.
    TFontHandle Create(int dpi, TFontQuality quality = TFontQuality::fqClearType) const;
};

// A top-down 32-bit DIB section of width x height pixels (0x00RRGGBB, top row first); bits
// receives its pixels. An empty handle when the size is not positive or the system is out of resources.
TBitmapHandle CreateDib32(int width, int height, std::uint32_t*& bits);

// Undoes a text colour change at the end of the scope.
class TTextColorScope {
public:
    TTextColorScope(HDC dc, TColor color) : FDc(dc), FOld(::SetTextColor(dc, ColorToRGB(color))) {}
    ~TTextColorScope() { ::SetTextColor(FDc, FOld); }
    TTextColorScope(const TTextColorScope&) = delete;
    TTextColorScope& operator=(const TTextColorScope&) = delete;

private:
    HDC FDc;
    COLORREF FOld;
};

// Undoes a background mode change (TRANSPARENT or OPAQUE) at the end of the scope.
class TBkModeScope {
public:
    TBkModeScope(HDC dc, int mode) : FDc(dc), FOld(::SetBkMode(dc, mode)) {}
    ~TBkModeScope() {
        if (FOld) ::SetBkMode(FDc, FOld);
    }
    TBkModeScope(const TBkModeScope&) = delete;
    TBkModeScope& operator=(const TBkModeScope&) = delete;

private:
    HDC FDc;
    int FOld;
};

// Drawing on a device context the canvas does not own: the framework's controls, the gauge, the
// command glyphs (on their coverage mask) and the chart (as its TChartCanvas) all draw through it.
// Colours may be RGB values or system colours. The canvas saves the DC's state when it is made and
// restores it when it goes, so every object it selected, the text colour, the background mode and
// the clip region are put back. Pens, brushes and fonts are cached: setting the same one again
// selects nothing. Text is drawn with a transparent background. Objects selected into the DC behind
// the canvas's back must be put back before the canvas draws again.
class TCanvas : public TChartCanvas {
public:
    explicit TCanvas(HDC dc, int dpi = 96);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return FDc; }
    int Dpi() const { return FDpi; }

    // Pen for outlines and lines; clNone or psClear: no outline.
    void SetPen(TColor color, int width = 1, TPenStyle style = TPenStyle::psSolid) override;
    // Brush for fills; clear (or clNone): shapes are outlined only.
    void SetBrush(TColor color, bool clear) override;
    void SetBrush(TColor color) { SetBrush(color, color == clNone); }
    // A font in pixels (the chart's) or in points at the canvas's DPI; both set the text colour.
    void SetFont(const TChartFont& font) override;
    void SetFont(const TFont& font);
    void SetTextColor(TColor color);

    void FillRect(const TScreenRect& rect, TColor color) override;
    void FillRect(const RECT& r, TColor color) { FillRect(TScreenRect{r.left, r.top, r.right, r.bottom}, color); }
    void FrameRect(const RECT& r, TColor color);
    void Rectangle(const TScreenRect& rect) override;
    void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(TScreenRect{x1, y1, x2, y2}); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Pie(const TScreenRect& ellipse, TScreenPoint start, TScreenPoint end) override;
    void Polygon(const TScreenPoint* points, std::size_t count) override;
    void Polygon(const POINT* points, int count);
    void Line(TScreenPoint from, TScreenPoint to) override;
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    // Text in the current font and text colour; (x, y) is the top left of the unrotated text.
    void PaintText(int x, int y, std::string_view text, int angle) override;
    void TextOut(int x, int y, std::string_view text) { PaintText(x, y, text, 0); }
    // DrawText with the given DT_ flags; returns the height of the text.
    int TextRect(RECT r, std::string_view text, unsigned flags);
    // Width and height of the text in the current font; an empty text is 0 wide and one line high.
    TScreenSize TextExtent(std::string_view text) override;

    void SetClip(const TScreenRect& rect) override;
    void ClearClip() override;
    double PixelAspect() override;

private:
    // What the current font is made from: face, pixel height, style, quality.
    struct TFontKey {
        std::string Name;
        int Height = 0;
        unsigned Style = 0;
        TFontQuality Quality = TFontQuality::fqDefault;
        bool operator==(const TFontKey&) const = default;
    };
    void UseFont(const TFontKey& key, TColor color);
    HFONT FontFor(int angle);

    HDC FDc;
    int FDpi;
    // The objects go after the saved state is restored (which deselects them): declared first.
    TPenHandle FPen;
    TBrushHandle FBrush;
    TFontHandle FFont;
    TFontHandle FRotatedFont;
    int FRotatedAngle = 0;
    TRegionHandle FOriginalClip;
    bool FHasOriginalClip = false;
    TFontKey FFontKey;
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

// A 32-bit top-down DIB section selected into its own memory DC, with a canvas on it: off-screen
// drawing, snapshots, pixel checks. It starts white. The size must be positive (Exception
// "Invalid bitmap size"); "Out of system resources" when GDI cannot make it.
class TBitmap {
public:
    TBitmap(int width, int height, int dpi = 96);
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap();

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    HBITMAP Handle() const { return FBitmap.Get(); }
    HDC Dc() const { return FDc.Get(); }
    TCanvas& Canvas() { return *FCanvas; }
    // Pixels as 0x00RRGGBB (blue in the low byte, as the DIB stores them), rows top first. Reading
    // after GDI drawing: GdiFlush first.
    std::uint32_t* Bits() const { return FBits; }
    // Pixel (x, y) as 0x00RRGGBB; 0 outside the bitmap.
    std::uint32_t Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
        return FBits[static_cast<std::size_t>(y) * FWidth + x] & 0xFFFFFF;
    }

private:
    int FWidth, FHeight;
    std::uint32_t* FBits = nullptr;
    TBitmapHandle FBitmap;
    TMemDc FDc;
    std::optional<TSelectObject> FSelected;
    std::unique_ptr<TCanvas> FCanvas;
};

// The clipboard. Copies a bitmap as CF_BITMAP; throws Exception when the clipboard cannot be opened.
namespace Clipboard {
void SetBitmap(HWND owner, const TBitmap& bitmap);
void SetText(HWND owner, const std::string& text);
std::string GetText(HWND owner);
bool HasBitmap();
}  // namespace Clipboard
