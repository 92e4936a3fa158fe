#include "ui/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/Exception.h"
#include "platform/WinText.h"

COLORREF ColorToRGB(TColor color) {
    if ((color & 0xFF000000) == clSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0xFFFFFF;
}

TFontHandle CreateFontHandle(const std::string& face, int pixelHeight, unsigned style, int angle,
                             TFontQuality quality) {
    LOGFONTW lf{};
    lf.lfHeight = -std::max(1, pixelHeight);
    lf.lfEscapement = lf.lfOrientation = angle * 10;
    lf.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    switch (quality) {
        case TFontQuality::fqClearType:
            lf.lfQuality = CLEARTYPE_QUALITY;
            break;
        case TFontQuality::fqNonAntialiased:
            lf.lfQuality = NONANTIALIASED_QUALITY;
            break;
        default:
            lf.lfQuality = DEFAULT_QUALITY;
            break;
    }
    std::wstring wide = Widen(face);
    wide.resize(std::min<size_t>(wide.size(), LF_FACESIZE - 1));
    std::copy(wide.begin(), wide.end(), lf.lfFaceName);
    return TFontHandle(::CreateFontIndirectW(&lf));
}

TFontHandle TFont::Create(int dpi, TFontQuality quality) const {
    return CreateFontHandle(Name, PixelHeight(dpi), Style, 0, quality);
}

// ---------------------------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas(HDC dc, int dpi) : FDc(dc), FDpi(dpi), FSaved(dc) {
    FOriginalClip.Reset(::CreateRectRgn(0, 0, 0, 0));
    FHasOriginalClip = FOriginalClip && ::GetClipRgn(FDc, FOriginalClip.Get()) == 1;
    ::SetBkMode(FDc, TRANSPARENT);
    ::SetTextAlign(FDc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::SetPolyFillMode(FDc, WINDING);
}

TCanvas::~TCanvas() = default;

void TCanvas::SetPen(TColor color, int width, TPenStyle style) {
    if (FPenWidth == width && FPenColor == color && FPenStyle == style) return;
    if (style == TPenStyle::psClear || color == clNone) {
        ::SelectObject(FDc, ::GetStockObject(NULL_PEN));
        FPen.Reset();
    } else {
        int gdiStyle = style == TPenStyle::psDot ? PS_DOT : PS_SOLID;
        TPenHandle pen(::CreatePen(gdiStyle, std::max(width, 1), ColorToRGB(color)));
        if (!pen) return;
        ::SelectObject(FDc, pen.Get());
        FPen = std::move(pen);  // the previous pen is no longer selected, so it may go
    }
    FPenColor = color;
    FPenWidth = width;
    FPenStyle = style;
}

void TCanvas::SetBrush(TColor color, bool clear) {
    clear = clear || color == clNone;
    if (FBrushValid && FBrushClear == clear && (clear || FBrushColor == color)) return;
    if (clear) {
        ::SelectObject(FDc, ::GetStockObject(NULL_BRUSH));
        FBrush.Reset();
    } else {
        TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
        if (!brush) return;
        ::SelectObject(FDc, brush.Get());
        FBrush = std::move(brush);
    }
    FBrushColor = color;
    FBrushClear = clear;
    FBrushValid = true;
}

void TCanvas::SetFont(const TChartFont& font) {
    UseFont(TFontKey{font.Name, font.Height, font.Bold ? unsigned(fsBold) : 0u, TFontQuality::fqDefault},
            font.Color);
}

void TCanvas::SetFont(const TFont& font) {
    UseFont(TFontKey{font.Name, font.PixelHeight(FDpi), font.Style, TFontQuality::fqClearType}, font.Color);
}

void TCanvas::UseFont(const TFontKey& key, TColor color) {
    SetTextColor(color);
    if (FFontValid && key == FFontKey) return;
    FFontKey = key;
    FFontValid = true;
    // Fonts are made on demand; the old ones go only after the stock font has replaced them.
    ::SelectObject(FDc, ::GetStockObject(DEFAULT_GUI_FONT));
    FFont.Reset();
    FRotatedFont.Reset();
    ::SelectObject(FDc, FontFor(0));
}

HFONT TCanvas::FontFor(int angle) {
    if (angle == 0) {
        if (!FFont) FFont = CreateFontHandle(FFontKey.Name, FFontKey.Height, FFontKey.Style, 0, FFontKey.Quality);
        return FFont.Get();
    }
    if (!FRotatedFont || FRotatedAngle != angle) {
        FRotatedFont = CreateFontHandle(FFontKey.Name, FFontKey.Height, FFontKey.Style, angle, FFontKey.Quality);
        FRotatedAngle = angle;
    }
    return FRotatedFont.Get();
}

void TCanvas::SetTextColor(TColor color) {
    ::SetTextColor(FDc, ColorToRGB(color));
}

void TCanvas::FillRect(const TScreenRect& r, TColor color) {
    if (r.IsEmpty()) return;
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    ::SetDCBrushColor(FDc, ColorToRGB(color));
    ::FillRect(FDc, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void TCanvas::FrameRect(const RECT& r, TColor color) {
    ::SetDCBrushColor(FDc, ColorToRGB(color));
    ::FrameRect(FDc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void TCanvas::Rectangle(const TScreenRect& r) {
    if (r.IsEmpty()) return;
    ::Rectangle(FDc, r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    ::Ellipse(FDc, x1, y1, x2, y2);
}

void TCanvas::Pie(const TScreenRect& e, TScreenPoint start, TScreenPoint end) {
    if (e.IsEmpty()) return;
    // Narrow wedges go as polygons with a corner every few pixels of arc, which looks the same:
    // some GDI implementations (Wine's) trace the whole ellipse for every Pie call, and a chart
    // of thousands of slices then takes seconds.
    double cx = (e.Left + e.Right) / 2.0, cy = (e.Top + e.Bottom) / 2.0;
    double rx = e.Width() / 2.0, ry = e.Height() / 2.0;
    double a0 = std::atan2(-(start.Y - cy) * rx, (start.X - cx) * ry);
    double a1 = std::atan2(-(end.Y - cy) * rx, (end.X - cx) * ry);
    double span = a1 - a0;
    if (span < 0) span += 2 * std::numbers::pi;
    if (!(start == end) && span > 0 && span < std::numbers::pi / 8) {
        int segments = std::clamp(static_cast<int>(span * std::max(rx, ry) / 3), 1, 64);
        FPoints.clear();
        FPoints.push_back({static_cast<LONG>(std::lround(cx)), static_cast<LONG>(std::lround(cy))});
        for (int i = 0; i <= segments; ++i) {
            double a = a0 + span * i / segments;
            FPoints.push_back({static_cast<LONG>(std::lround(cx + std::cos(a) * rx)),
                               static_cast<LONG>(std::lround(cy - std::sin(a) * ry))});
        }
        ::Polygon(FDc, FPoints.data(), static_cast<int>(FPoints.size()));
        return;
    }
    ::Pie(FDc, e.Left, e.Top, e.Right, e.Bottom, start.X, start.Y, end.X, end.Y);
}

void TCanvas::Polygon(const TScreenPoint* points, std::size_t count) {
    if (count < 2 || count > static_cast<std::size_t>(INT32_MAX)) return;
    FPoints.resize(count);
    for (size_t i = 0; i < count; ++i) FPoints[i] = {points[i].X, points[i].Y};
    ::Polygon(FDc, FPoints.data(), static_cast<int>(count));
}

void TCanvas::Polygon(const POINT* points, int count) {
    if (count >= 2) ::Polygon(FDc, points, count);
}

void TCanvas::Line(TScreenPoint from, TScreenPoint to) {
    ::MoveToEx(FDc, from.X, from.Y, nullptr);
    ::LineTo(FDc, to.X, to.Y);
}

void TCanvas::MoveTo(int x, int y) {
    ::MoveToEx(FDc, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    ::LineTo(FDc, x, y);
}

void TCanvas::PaintText(int x, int y, std::string_view text, int angle) {
    if (text.empty()) return;
    std::wstring wide = Widen(text);
    if (angle != 0 && FFontValid) {
        TSelectObject rotated(FDc, FontFor(angle));
        ::TextOutW(FDc, x, y, wide.c_str(), static_cast<int>(wide.size()));
        return;
    }
    ::TextOutW(FDc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

int TCanvas::TextRect(RECT r, std::string_view text, unsigned flags) {
    std::wstring wide = Widen(text);
    return ::DrawTextW(FDc, wide.c_str(), static_cast<int>(wide.size()), &r, flags);
}

TScreenSize TCanvas::TextExtent(std::string_view text) {
    std::wstring wide = Widen(text.empty() ? std::string_view("W") : text);
    SIZE size{};
    ::GetTextExtentPoint32W(FDc, wide.c_str(), static_cast<int>(wide.size()), &size);
    if (text.empty()) size.cx = 0;
    return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

void TCanvas::SetClip(const TScreenRect& r) {
    TRegionHandle region(::CreateRectRgn(r.Left, r.Top, std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)));
    if (!region) return;
    if (FHasOriginalClip) ::CombineRgn(region.Get(), region.Get(), FOriginalClip.Get(), RGN_AND);
    ::SelectClipRgn(FDc, region.Get());  // the DC keeps a copy
}

void TCanvas::ClearClip() {
    ::SelectClipRgn(FDc, FHasOriginalClip ? FOriginalClip.Get() : nullptr);
}

double TCanvas::PixelAspect() {
    double w = ::GetDeviceCaps(FDc, HORZRES), h = ::GetDeviceCaps(FDc, VERTRES);
    double wmm = ::GetDeviceCaps(FDc, HORZSIZE), hmm = ::GetDeviceCaps(FDc, VERTSIZE);
    if (w <= 0 || h <= 0 || wmm <= 0 || hmm <= 0) return 1.0;
    double e = (w / h) / (wmm / hmm);
    return e > 0.1 && e < 10 ? e : 1.0;
}

// ---------------------------------------------------------------------------------------------------------------
// Bitmaps

TBitmapHandle CreateDib32(int width, int height, std::uint32_t*& bits) {
    bits = nullptr;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* raw = nullptr;
    TBitmapHandle bmp(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0));
    if (!bmp || !raw) return {};
    bits = static_cast<std::uint32_t*>(raw);
    return bmp;
}

TBitmap::TBitmap(int width, int height, int dpi) : FWidth(width), FHeight(height) {
    if (width <= 0 || height <= 0) throw Exception("Invalid bitmap size");
    FBitmap = CreateDib32(width, height, FBits);
    FDc.Reset(::CreateCompatibleDC(nullptr));
    if (!FBitmap || !FDc) throw Exception("Out of system resources");
    std::memset(FBits, 0xFF, static_cast<size_t>(width) * height * 4);
    FSelected.emplace(FDc.Get(), FBitmap.Get());
    FCanvas = std::make_unique<TCanvas>(FDc.Get(), dpi);
}

// The canvas restores the DC first, then the bitmap leaves it, then both are deleted.
TBitmap::~TBitmap() = default;

namespace Clipboard {
namespace {
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) {
        // Another program may hold the clipboard for a moment; try a few times.
        for (int i = 0; i < 10 && !FOpen; ++i) {
            FOpen = ::OpenClipboard(owner) != 0;
            if (!FOpen) ::Sleep(20);
        }
        if (!FOpen) throw Exception("Cannot open clipboard");
    }
    ~TOpenClipboard() { ::CloseClipboard(); }

private:
    bool FOpen = false;
};
}  // namespace

void SetBitmap(HWND owner, const TBitmap& bitmap) {
    // The clipboard takes a device-dependent copy; the TBitmap stays the caller's.
    TWindowDc screen(nullptr);
    TBitmapHandle copy(::CreateCompatibleBitmap(screen.Get(), bitmap.Width(), bitmap.Height()));
    if (!copy) throw Exception("Out of system resources");
    {
        TMemDc dc(::CreateCompatibleDC(screen.Get()));
        TSelectObject sel(dc.Get(), copy.Get());
        ::BitBlt(dc.Get(), 0, 0, bitmap.Width(), bitmap.Height(), bitmap.Dc(), 0, 0, SRCCOPY);
    }
    TOpenClipboard open(owner);
    ::EmptyClipboard();
    if (::SetClipboardData(CF_BITMAP, copy.Get())) copy.Release();  // now the system's
}

void SetText(HWND owner, const std::string& text) {
    std::wstring w = Widen(text);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t));
    if (!mem) throw Exception("Out of memory");
    std::memcpy(::GlobalLock(mem), w.c_str(), (w.size() + 1) * sizeof(wchar_t));
    ::GlobalUnlock(mem);
    TOpenClipboard open(owner);
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, mem)) ::GlobalFree(mem);
}

std::string GetText(HWND owner) {
    TOpenClipboard open(owner);
    HANDLE h = ::GetClipboardData(CF_UNICODETEXT);
    if (!h) return {};
    auto* p = static_cast<const wchar_t*>(::GlobalLock(h));
    std::string s = p ? Narrow(p) : std::string();
    ::GlobalUnlock(h);
    return s;
}

bool HasBitmap() {
    return ::IsClipboardFormatAvailable(CF_BITMAP) != 0;
}
}  // namespace Clipboard
