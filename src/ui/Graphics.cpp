#include "ui/Graphics.h"

#include <cstring>
#include <stdexcept>

#include "platform/Exception.h"
#include "platform/WinText.h"

COLORREF ColorToRGB(TColor color) {
    if ((color & 0xFF000000) == clSystemColor) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return color & 0xFFFFFF;
}

TFontHandle TFont::Create(int dpi) const {
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(Size, dpi, 72);
    lf.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (Style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (Style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (Style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    std::wstring face = Widen(Name);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return TFontHandle(::CreateFontIndirectW(&lf));
}

TCanvas::TCanvas(HDC dc, int dpi) : FDc(dc), FDpi(dpi) {}

TCanvas::~TCanvas() {
    if (FOldPen) ::SelectObject(FDc, FOldPen);
    if (FOldBrush) ::SelectObject(FDc, FOldBrush);
    if (FOldFont) ::SelectObject(FDc, FOldFont);
}

void TCanvas::Select(HGDIOBJ& saved, HGDIOBJ obj) {
    HGDIOBJ old = ::SelectObject(FDc, obj);
    if (!saved) saved = old;
}

void TCanvas::SetPen(TColor color, int width, int style) {
    TPenHandle pen(color == clNone ? nullptr : ::CreatePen(style, width, ColorToRGB(color)));
    Select(FOldPen, pen ? static_cast<HGDIOBJ>(pen.Get()) : ::GetStockObject(NULL_PEN));
    FPen = std::move(pen);
}

void TCanvas::SetBrush(TColor color) {
    TBrushHandle brush(color == clNone ? nullptr : ::CreateSolidBrush(ColorToRGB(color)));
    Select(FOldBrush, brush ? static_cast<HGDIOBJ>(brush.Get()) : ::GetStockObject(NULL_BRUSH));
    FBrush = std::move(brush);
}

void TCanvas::SetFont(const TFont& font) {
    TFontHandle f = font.Create(FDpi);
    Select(FOldFont, f.Get());
    FFont = std::move(f);
    SetTextColor(font.Color);
}

void TCanvas::SetTextColor(TColor color) {
    ::SetTextColor(FDc, ColorToRGB(color));
}

void TCanvas::FillRect(const RECT& r, TColor color) {
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
    ::FillRect(FDc, &r, brush.Get());
}

void TCanvas::FrameRect(const RECT& r, TColor color) {
    TBrushHandle brush(::CreateSolidBrush(ColorToRGB(color)));
    ::FrameRect(FDc, &r, brush.Get());
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    ::Rectangle(FDc, x1, y1, x2, y2);
}
void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    ::Ellipse(FDc, x1, y1, x2, y2);
}
void TCanvas::MoveTo(int x, int y) {
    ::MoveToEx(FDc, x, y, nullptr);
}
void TCanvas::LineTo(int x, int y) {
    ::LineTo(FDc, x, y);
}
void TCanvas::Polygon(const POINT* points, int count) {
    ::Polygon(FDc, points, count);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    std::wstring w = Widen(text);
    int mode = ::SetBkMode(FDc, TRANSPARENT);
    ::TextOutW(FDc, x, y, w.c_str(), static_cast<int>(w.size()));
    ::SetBkMode(FDc, mode);
}

int TCanvas::TextRect(RECT r, const std::string& text, unsigned flags) {
    std::wstring w = Widen(text);
    int mode = ::SetBkMode(FDc, TRANSPARENT);
    int h = ::DrawTextW(FDc, w.c_str(), static_cast<int>(w.size()), &r, flags);
    ::SetBkMode(FDc, mode);
    return h;
}

SIZE TCanvas::TextExtent(const std::string& text) {
    std::wstring w = Widen(text);
    SIZE s{};
    ::GetTextExtentPoint32W(FDc, w.c_str(), static_cast<int>(w.size()), &s);
    return s;
}

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
    if (!FBitmap) throw Exception("Out of system resources");
    std::memset(FBits, 0xFF, static_cast<size_t>(width) * height * 4);
    FDc.Reset(::CreateCompatibleDC(nullptr));
    FOld = ::SelectObject(FDc.Get(), FBitmap.Get());
    FCanvas = new TCanvas(FDc.Get(), dpi);
}

TBitmap::~TBitmap() {
    delete FCanvas;  // puts back what it selected before the bitmap leaves the DC
    if (FOld) ::SelectObject(FDc.Get(), FOld);
}

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
