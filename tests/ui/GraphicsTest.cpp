// Colours, bitmaps, the canvas (also as the chart's drawing surface), fonts, the clipboard and the
// save dialog's hook.
#include <gtest/gtest.h>

#include <algorithm>

#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Graphics.h"
#include "ui/UiTestEnv.h"

TEST(UiGraphics, ColoursResolveSystemValuesAndKeepRgbOrder) {
    EXPECT_EQ(static_cast<COLORREF>(::GetSysColor(COLOR_BTNFACE)), ColorToRGB(clBtnFace));
    // 16777185: red 225, green 255, blue 255 (red in the low byte).
    COLORREF c = ColorToRGB(16777185);
    EXPECT_EQ(225, GetRValue(c));
    EXPECT_EQ(255, GetGValue(c));
    EXPECT_EQ(255, GetBValue(c));
    EXPECT_EQ(128, GetBValue(ColorToRGB(clNavy)));
}

TEST(UiGraphics, BitmapCanvasDrawsWhereItIsTold) {
    TBitmap bmp(40, 20);
    EXPECT_EQ(0xFFFFFFu, bmp.Pixel(0, 0));  // starts white
    bmp.Canvas().FillRect(RECT{10, 5, 20, 15}, clRed);
    EXPECT_EQ(0xFF0000u, bmp.Pixel(10, 5));  // the DIB stores 0xRRGGBB
    EXPECT_EQ(0xFF0000u, bmp.Pixel(19, 14));
    EXPECT_EQ(0xFFFFFFu, bmp.Pixel(20, 15));
    bmp.Canvas().SetPen(clBlack);
    bmp.Canvas().MoveTo(0, 19);
    bmp.Canvas().LineTo(39, 19);
    EXPECT_EQ(0u, bmp.Pixel(5, 19));
    TFont f;
    bmp.Canvas().SetFont(f);
    int w8 = bmp.Canvas().TextWidth("Voluscope");
    f.Size = 16;
    bmp.Canvas().SetFont(f);
    EXPECT_GT(bmp.Canvas().TextWidth("Voluscope"), w8 * 3 / 2);
    EXPECT_THROW(TBitmap(0, 10), Exception);
}

TEST(UiGraphics, FontsAreMadeForTheDpi) {
    TFont f;
    f.Style = fsBold | fsUnderline;
    for (int dpi : {96, 144, 192}) {
        TFontHandle h = f.Create(dpi);
        LOGFONTW lf{};
        ::GetObjectW(h.Get(), sizeof lf, &lf);
        EXPECT_EQ(-::MulDiv(8, dpi, 72), lf.lfHeight) << dpi;
        EXPECT_EQ(FW_BOLD, lf.lfWeight);
        EXPECT_TRUE(lf.lfUnderline);
        EXPECT_STREQ(L"Verdana", lf.lfFaceName);
    }
}

TEST(UiGraphics, ClipboardTakesACopyOfTheBitmapAndText) {
    {
        TBitmap bmp(8, 6);
        bmp.Canvas().FillRect(RECT{0, 0, 8, 6}, clBlue);
        Clipboard::SetBitmap(nullptr, bmp);
    }  // the clipboard's copy outlives the bitmap
    ASSERT_TRUE(Clipboard::HasBitmap());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HBITMAP h = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    ASSERT_NE(nullptr, h);
    BITMAP info{};
    ::GetObjectW(h, sizeof info, &info);
    EXPECT_EQ(8, info.bmWidth);
    EXPECT_EQ(6, info.bmHeight);
    {
        TMemDc dc(::CreateCompatibleDC(nullptr));
        TSelectObject select(dc.Get(), h);
        EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dc.Get(), 3, 3));
    }
    ::CloseClipboard();

    Clipboard::SetText(nullptr, "Größe 12 KB");
    EXPECT_EQ("Größe 12 KB", Clipboard::GetText(nullptr));
    EXPECT_FALSE(Clipboard::HasBitmap());
}

TEST(UiGraphics, SaveDialogHookAnswersInsteadOfTheDialog) {
    TSaveDialog dialog(nullptr);
    dialog.Filter = "CSV files (*.csv)|*.csv";
    dialog.DefaultExt = "csv";
    dialog.FileName = "report";
    std::string seenFilter;
    uitest::TSaveDialogHook hook([&](TSaveDialog& d) {
        seenFilter = d.Filter;
        d.FileName = "C:\\out\\report.csv";
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ("C:\\out\\report.csv", dialog.FileName);
    EXPECT_EQ("CSV files (*.csv)|*.csv", seenFilter);
    hook.Set([](TSaveDialog&) { return false; });
    EXPECT_FALSE(dialog.Execute());
}

// ---------------------------------------------------------------------------------------------------------------
// The canvas as the chart draws through it.

namespace {

// 0xRRGGBB as a TBitmap stores it, for a COLORREF.
std::uint32_t DibPixel(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// The smallest rectangle holding every pixel that is not white.
RECT InkBounds(const TBitmap& bmp) {
    RECT r{bmp.Width(), bmp.Height(), -1, -1};
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.Pixel(x, y) != 0xFFFFFF) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r;
}

// What a DC holds that a canvas may change.
struct TDcState {
    HGDIOBJ Pen, Brush, Font;
    COLORREF TextColor;
    int BkMode;
    RECT Clip;  // empty when there is no clip region
    bool operator==(const TDcState& o) const {
        return Pen == o.Pen && Brush == o.Brush && Font == o.Font && TextColor == o.TextColor && BkMode == o.BkMode &&
               ::EqualRect(&Clip, &o.Clip);
    }
};

TDcState StateOf(HDC dc) {
    TDcState s{::GetCurrentObject(dc, OBJ_PEN),
               ::GetCurrentObject(dc, OBJ_BRUSH),
               ::GetCurrentObject(dc, OBJ_FONT),
               ::GetTextColor(dc),
               ::GetBkMode(dc),
               RECT{}};
    TRegionHandle rgn(::CreateRectRgn(0, 0, 0, 0));
    if (::GetClipRgn(dc, rgn.Get()) == 1) ::GetRgnBox(rgn.Get(), &s.Clip);
    return s;
}

}  // namespace

TEST(UiCanvas, SystemColoursResolveOnEveryPathOfTheChartInterface) {
    TBitmap bmp(30, 10);
    TChartCanvas& c = bmp.Canvas();
    c.FillRect(TScreenRect{0, 0, 10, 10}, clBtnFace);
    c.SetPen(clBtnShadow, 1, TPenStyle::psSolid);
    c.SetBrush(clHighlight, false);
    c.Rectangle(TScreenRect{10, 0, 20, 10});
    c.SetFont(TChartFont{"Verdana", 40, true, clWindowText});
    c.PaintText(20, -12, "|", 0);
    ::GdiFlush();
    EXPECT_EQ(bmp.Pixel(5, 5), DibPixel(::GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(bmp.Pixel(10, 5), DibPixel(::GetSysColor(COLOR_BTNSHADOW)));  // outline
    EXPECT_EQ(bmp.Pixel(15, 5), DibPixel(::GetSysColor(COLOR_HIGHLIGHT)));  // fill
    bool textSeen = false;
    for (int y = 0; y < 10; ++y)
        for (int x = 20; x < 30; ++x) textSeen |= bmp.Pixel(x, y) == DibPixel(::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_TRUE(textSeen);
}

TEST(UiCanvas, TheDeviceContextIsLeftAsItWasFound) {
    struct {
        const char* Name;
        bool CallerClip;
    } cases[] = {{"no clip", false}, {"caller's clip", true}};
    for (const auto& t : cases) {
        TBitmap bmp(60, 40);
        HDC dc = bmp.Dc();
        if (t.CallerClip) ::IntersectClipRect(dc, 2, 3, 50, 30);
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        TDcState before = StateOf(dc);
        {
            TCanvas c(dc);
            c.SetPen(clRed, 3, TPenStyle::psSolid);
            c.SetBrush(clBlue, false);
            c.SetFont(TChartFont{"Verdana", 12, true, clNavy});
            c.PaintText(5, 30, "Users", 90);
            c.SetTextColor(clBtnText);
            c.SetClip(TScreenRect{10, 10, 20, 20});
            c.Rectangle(TScreenRect{0, 0, 60, 40});
            c.SetFont(TFont());
            c.TextRect(RECT{0, 0, 60, 40}, "x", DT_SINGLELINE);
        }
        EXPECT_TRUE(StateOf(dc) == before) << t.Name;
    }
}

TEST(UiCanvas, ClippingKeepsTheCallersRegion) {
    TBitmap bmp(30, 30);
    ::IntersectClipRect(bmp.Dc(), 0, 0, 10, 10);  // the caller's, e.g. a paint region
    {
        TCanvas c(bmp.Dc());
        c.SetClip(TScreenRect{5, 5, 25, 25});
        c.FillRect(TScreenRect{0, 0, 30, 30}, clRed);
        c.ClearClip();
        c.FillRect(TScreenRect{0, 0, 4, 30}, clBlue);
        c.FillRect(TScreenRect{20, 20, 30, 30}, clBlue);
    }
    ::GdiFlush();
    EXPECT_EQ(bmp.Pixel(7, 7), 0xFF0000u);    // inside both
    EXPECT_EQ(bmp.Pixel(2, 2), 0x0000FFu);    // after ClearClip: the caller's region again
    EXPECT_EQ(bmp.Pixel(12, 12), 0xFFFFFFu);  // outside the caller's region, never drawn
    EXPECT_EQ(bmp.Pixel(2, 15), 0xFFFFFFu);
    EXPECT_EQ(bmp.Pixel(22, 22), 0xFFFFFFu);
}

TEST(UiCanvas, PensBrushesAndFontsAreMadeOncePerLook) {
    TBitmap bmp(10, 10);
    TCanvas& c = bmp.Canvas();
    HDC dc = bmp.Dc();
    c.SetPen(clRed, 2, TPenStyle::psSolid);
    HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    c.SetPen(clRed, 2, TPenStyle::psSolid);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen);
    c.SetPen(clRed, 1, TPenStyle::psSolid);
    EXPECT_NE(::GetCurrentObject(dc, OBJ_PEN), pen);
    c.SetPen(clRed, 1, TPenStyle::psClear);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), ::GetStockObject(NULL_PEN));
    c.SetBrush(clGray, false);
    HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
    c.SetBrush(clGray, false);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush);
    c.SetBrush(clGray, true);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), ::GetStockObject(NULL_BRUSH));
    c.SetBrush(clNone);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), ::GetStockObject(NULL_BRUSH));
    c.SetFont(TChartFont{"Verdana", 9, false, clBlack});
    HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    c.SetFont(TChartFont{"Verdana", 9, false, clRed});  // only the colour changes
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 0, 0));
    c.SetFont(TChartFont{"Verdana", 9, true, clRed});
    EXPECT_NE(::GetCurrentObject(dc, OBJ_FONT), font);
}

TEST(UiCanvas, RotatedTextRunsUpward) {
    TBitmap bmp(120, 120);
    TCanvas& c = bmp.Canvas();
    c.SetFont(TChartFont{"Verdana", 13, false, clBlack});
    int width = c.TextWidth("Program Files");
    ASSERT_GT(width, 40);
    c.PaintText(50, 110, "Program Files", 90);
    ::GdiFlush();
    RECT up = InkBounds(bmp);
    EXPECT_GT(up.bottom - up.top, width * 3 / 4);
    EXPECT_LT(up.right - up.left, 20);
    EXPECT_LE(up.bottom, 111);  // from the given point upward
    // Back to level text with the same font.
    TBitmap flat(120, 40);
    flat.Canvas().SetFont(TChartFont{"Verdana", 13, false, clBlack});
    flat.Canvas().PaintText(0, 5, "Program Files", 0);
    ::GdiFlush();
    RECT level = InkBounds(flat);
    EXPECT_GT(level.right - level.left, width * 3 / 4);
    EXPECT_LT(level.bottom - level.top, 20);
}

TEST(UiCanvas, WedgesNarrowAndWhole) {
    struct {
        const char* Name;
        TScreenPoint Start, End;
        POINT Inside, Outside;
    } cases[] = {
        // 3 o'clock to a few degrees above it: drawn as a polygon.
        {"narrow", {100, 50}, {100, 40}, {90, 48}, {90, 56}},
        // A quarter: drawn by GDI's own Pie.
        {"quarter", {100, 50}, {50, 0}, {70, 30}, {30, 70}},
        // Start and end the same: the whole ellipse.
        {"whole", {100, 50}, {100, 50}, {30, 70}, {2, 2}},
    };
    for (const auto& t : cases) {
        TBitmap bmp(100, 100);
        TCanvas& c = bmp.Canvas();
        c.SetPen(clRed, 1, TPenStyle::psClear);
        c.SetBrush(clBlue, false);
        c.Pie(TScreenRect{0, 0, 100, 100}, t.Start, t.End);
        ::GdiFlush();
        EXPECT_EQ(bmp.Pixel(t.Inside.x, t.Inside.y), 0x0000FFu) << t.Name;
        EXPECT_EQ(bmp.Pixel(t.Outside.x, t.Outside.y), 0xFFFFFFu) << t.Name;
    }
}

TEST(UiCanvas, OneFontBuilderForEveryUse) {
    struct {
        const char* Name;
        TFontHandle Font;
        LONG Height, Escapement, Weight;
        BYTE Quality;
    } cases[] = {
        {"chart label", CreateFontHandle("Verdana", 13, fsBold), -13, 0, FW_BOLD, DEFAULT_QUALITY},
        {"rotated axis label", CreateFontHandle("Verdana", 9, 0, 90), -9, 900, FW_NORMAL, DEFAULT_QUALITY},
        {"control at 144 DPI", TFont().Create(144), -16, 0, FW_NORMAL, CLEARTYPE_QUALITY},
        {"gauge text", TFont().Create(96, TFontQuality::fqNonAntialiased), -11, 0, FW_NORMAL, NONANTIALIASED_QUALITY},
        {"no height", CreateFontHandle("Verdana", 0, 0), -1, 0, FW_NORMAL, DEFAULT_QUALITY},
    };
    for (const auto& t : cases) {
        LOGFONTW lf{};
        ASSERT_TRUE(::GetObjectW(t.Font.Get(), sizeof lf, &lf)) << t.Name;
        EXPECT_EQ(lf.lfHeight, t.Height) << t.Name;
        EXPECT_EQ(lf.lfEscapement, t.Escapement) << t.Name;
        EXPECT_EQ(lf.lfWeight, t.Weight) << t.Name;
        EXPECT_EQ(lf.lfQuality, t.Quality) << t.Name;
        EXPECT_STREQ(lf.lfFaceName, L"Verdana") << t.Name;
    }
}

TEST(UiCanvas, ScopesPutTextColourAndBackgroundModeBack) {
    TBitmap bmp(4, 4);
    HDC dc = bmp.Dc();
    ::SetTextColor(dc, RGB(9, 8, 7));
    ::SetBkMode(dc, OPAQUE);
    {
        TTextColorScope colour(dc, clBtnText);
        TBkModeScope mode(dc, TRANSPARENT);
        EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);
    }
    EXPECT_EQ(::GetTextColor(dc), RGB(9, 8, 7));
    EXPECT_EQ(::GetBkMode(dc), OPAQUE);
}

TEST(UiCanvas, BitmapPixelsOutsideReadAsZero) {
    TBitmap bmp(3, 2);
    EXPECT_EQ(bmp.Pixel(2, 1), 0xFFFFFFu);
    EXPECT_EQ(bmp.Pixel(3, 0), 0u);
    EXPECT_EQ(bmp.Pixel(0, 2), 0u);
    EXPECT_EQ(bmp.Pixel(-1, 0), 0u);
    EXPECT_THROW(TBitmap(5, -1), Exception);
}
