// Colours, bitmaps, the canvas, the clipboard and the save dialog's hook.
#include <gtest/gtest.h>

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
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, h);
    EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(dc, 3, 3));
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
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
    auto previous = TSaveDialog::SetHook([&](TSaveDialog& d) {
        seenFilter = d.Filter;
        d.FileName = "C:\\out\\report.csv";
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ("C:\\out\\report.csv", dialog.FileName);
    EXPECT_EQ("CSV files (*.csv)|*.csv", seenFilter);
    TSaveDialog::SetHook([](TSaveDialog&) { return false; });
    EXPECT_FALSE(dialog.Execute());
    TSaveDialog::SetHook(previous);
}
