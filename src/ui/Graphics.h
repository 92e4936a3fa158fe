#pragma once
// Colours, fonts, a GDI canvas and 32-bit bitmaps.
#include <windows.h>

#include <cstdint>
#include <string>

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

// A font description. The GDI font is made for a given DPI from the size in points.
struct TFont {
    std::string Name = "Verdana";
    int Size = 8;  // points
    unsigned Style = 0;
    TColor Color = clWindowText;

    bool operator==(const TFont&) const = default;
    // A new GDI font for this description at the DPI; the caller owns it.
    TFontHandle Create(int dpi) const;
};

// A top-down 32-bit DIB section of width x height pixels (0x00RRGGBB, top row first); bits
// receives its pixels. An empty handle when the size is not positive or the system is out of resources.
TBitmapHandle CreateDib32(int width, int height, std::uint32_t*& bits);

// Drawing on a device context the canvas does not own. Pen, brush and font are selected on demand
// and put back when the canvas goes.
class TCanvas {
public:
    explicit TCanvas(HDC dc, int dpi = 96);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return FDc; }
    int Dpi() const { return FDpi; }

    void SetPen(TColor color, int width = 1, int style = PS_SOLID);
    void SetBrush(TColor color);  // clNone: hollow
    void SetFont(const TFont& font);
    void SetTextColor(TColor color);

    void FillRect(const RECT& r, TColor color);
    void FrameRect(const RECT& r, TColor color);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polygon(const POINT* points, int count);
    // Text drawn with a transparent background in the current font and text colour.
    void TextOut(int x, int y, const std::string& text);
    // DrawText with the given DT_ flags; returns the height of the text.
    int TextRect(RECT r, const std::string& text, unsigned flags);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

private:
    void Select(HGDIOBJ& saved, HGDIOBJ obj);

    HDC FDc;
    int FDpi;
    TPenHandle FPen;
    TBrushHandle FBrush;
    TFontHandle FFont;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    HGDIOBJ FOldFont = nullptr;
};

// A 32-bit top-down DIB section with its own memory DC and canvas.
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
    // Pixels as 0x00RRGGBB (blue in the low byte, as the DIB stores them), rows top first.
    std::uint32_t* Bits() const { return FBits; }
    std::uint32_t Pixel(int x, int y) const { return FBits[y * FWidth + x] & 0xFFFFFF; }

private:
    int FWidth, FHeight;
    TMemDc FDc;
    TBitmapHandle FBitmap;
    HGDIOBJ FOld = nullptr;
    std::uint32_t* FBits = nullptr;
    TCanvas* FCanvas = nullptr;
};

// The clipboard. Copies a bitmap as CF_BITMAP; throws Exception when the clipboard cannot be opened.
namespace Clipboard {
void SetBitmap(HWND owner, const TBitmap& bitmap);
void SetText(HWND owner, const std::string& text);
std::string GetText(HWND owner);
bool HasBitmap();
}  // namespace Clipboard
