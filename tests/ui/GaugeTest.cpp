// The gauge control: repaint on change only, the range error through the control, and its
// drawing: bar, border and the percentage text that inverts what lies under it.
#include <gtest/gtest.h>

#include <memory>

#include "ui/UiTestEnv.h"
#include "platform/Exception.h"
#include "ui/Forms.h"
#include "ui/Gauge.h"

namespace {

TEST(UiGauge, RepaintsOnlyWhenThePercentageChanges) {
    auto form = uitest::HostForm(300, 100);
    auto* gauge = new TGauge(form.get(), form.get());
    gauge->SetMaxValue(1000);
    int before = gauge->RepaintCount();
    gauge->SetProgress(4);  // still 0 %
    EXPECT_EQ(gauge->RepaintCount(), before);
    gauge->SetProgress(10);
    EXPECT_EQ(gauge->RepaintCount(), before + 1);
    gauge->SetProgress(10);
    EXPECT_EQ(gauge->RepaintCount(), before + 1);
    gauge->StepProgress(1);  // stepping always repaints
    EXPECT_EQ(gauge->RepaintCount(), before + 2);
}

TEST(UiGauge, MaxValueBelowMinValueIsRefused) {
    auto form = uitest::HostForm(300, 100);
    auto* gauge = new TGauge(form.get(), form.get());
    try {
        gauge->SetMaxValue(-5);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Value must be between 1 and 2147483647");
    }
    EXPECT_EQ(gauge->MaxValue(), 100);
    gauge->SetMaxValue(0);
    EXPECT_EQ(gauge->PercentDone(), 0);
}

struct TDrawn {
    std::unique_ptr<TBitmap> Bitmap;
    int Percent;
};

TDrawn Draw(int maxValue, int progress, bool showText = true, TGaugeKind kind = gkHorizontalBar) {
    TGaugeValues values;
    values.SetMaxValue(maxValue);
    values.SetProgress(progress);
    TGaugeLook look;
    look.ShowText = showText;
    look.Kind = kind;
    auto bmp = std::make_unique<TBitmap>(241, 32);
    RECT all{0, 0, 241, 32};
    bmp->Canvas().FillRect(all, clBtnFace);
    PaintGauge(bmp->Canvas(), all, values, look, TFont());
    return {std::move(bmp), values.PercentDone()};
}

TEST(UiGauge, BarFillsItsShareInsideTheBorder) {
    TDrawn d = Draw(4, 1, false);  // 25 %
    const TBitmap& b = *d.Bitmap;
    EXPECT_EQ(b.Pixel(0, 0), 0u);  // border
    EXPECT_EQ(b.Pixel(240, 31), 0u);
    EXPECT_EQ(b.Pixel(120, 0), 0u);
    int inner = 239, filled = 0;
    for (int x = 1; x <= inner; ++x) filled += b.Pixel(x, 16) == 0;
    EXPECT_EQ(filled, (inner * 25 + 50) / 100);  // 25 % of the inner width, rounded
    EXPECT_EQ(b.Pixel(200, 16), 0xFFFFFFu);
    TDrawn empty = Draw(0, 0, false);
    for (int x = 1; x < 240; ++x) ASSERT_EQ(empty.Bitmap->Pixel(x, 16), 0xFFFFFFu) << x;
}

TEST(UiGauge, VerticalBarFillsFromTheBottom) {
    TDrawn d = Draw(2, 1, false, gkVerticalBar);
    const TBitmap& b = *d.Bitmap;
    EXPECT_EQ(b.Pixel(120, 29), 0u);
    EXPECT_EQ(b.Pixel(120, 2), 0xFFFFFFu);
    int filled = 0;
    for (int y = 1; y < 31; ++y) filled += b.Pixel(120, y) == 0;
    EXPECT_EQ(filled, 15);
}

TEST(UiGauge, TextInvertsOverBothParts) {
    // At 50 % the centred text "50%" straddles the edge of the bar: its glyphs are white over
    // the black part and black over the white part.
    TDrawn d = Draw(2, 1);
    ASSERT_EQ(d.Percent, 50);
    const TBitmap& b = *d.Bitmap;
    int whiteOnBar = 0, blackOnEmpty = 0;
    for (int y = 2; y < 30; ++y) {
        for (int x = 90; x < 120; ++x) whiteOnBar += b.Pixel(x, y) == 0xFFFFFFu;
        for (int x = 121; x < 150; ++x) blackOnEmpty += b.Pixel(x, y) == 0u;
    }
    EXPECT_GT(whiteOnBar, 10);
    EXPECT_GT(blackOnEmpty, 10);
    // No text: nothing but black and white in the two halves.
    TDrawn plain = Draw(2, 1, false);
    for (int y = 2; y < 30; ++y) {
        for (int x = 90; x < 120; ++x) ASSERT_EQ(plain.Bitmap->Pixel(x, y), 0u);
    }
}

TEST(UiGauge, TextReadsThePercentage) {
    // Different percentages give different text pixels; the same percentage the same ones.
    TDrawn a = Draw(3, 1), b = Draw(300, 100), c = Draw(3, 2);
    int same = 0, differ = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 241; ++x) {
            same += a.Bitmap->Pixel(x, y) == b.Bitmap->Pixel(x, y);
            differ += a.Bitmap->Pixel(x, y) != c.Bitmap->Pixel(x, y);
        }
    }
    EXPECT_EQ(same, 241 * 32);
    EXPECT_GT(differ, 0);
}

}  // namespace
