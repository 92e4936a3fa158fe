// Bar series and axes: bar geometry, ranges, label increments, the gradient, 3D blocks and the hit
// test, drawn through the recording canvas.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/ChartTestSupport.h"
#include "chart/ChartUtils.h"
#include "chart/RecordingCanvas.h"

using namespace charttest;

namespace {

class ChartBarTest : public TChartTest {
protected:
    ChartBarTest() : TChartTest(TChartType::Bar2D, 600, 400) {}
    TBarSeries& Bar() { return *FSetup.Bar; }
};

TEST_F(ChartBarTest, BarWidthFromTheSpacePerBar) {
    EXPECT_EQ(TCustomBarSeries::SpacePerBar(300, 10), 27);
    for (int i = 0; i < 10; ++i) Bar().Add(i);
    EXPECT_EQ(Bar().BarWidth(300), 22);  // round(21.6)
    Bar().Clear();
    Bar().Add(1);
    EXPECT_EQ(Bar().BarWidth(300), 120);  // 40 % of the axis
    // An odd rounded width gets one more pixel.
    for (int i = 0; i < 4; ++i) Bar().Add(1);
    EXPECT_EQ(TCustomBarSeries::SpacePerBar(100, 5), 16);
    EXPECT_EQ(Bar().BarWidth(100), 14);  // round(12.8) = 13, made even
    EXPECT_EQ(TCustomBarSeries::SpacePerBar(0, 5), 0);
}

TEST_F(ChartBarTest, BarsStandInsideTheAxisWithAMarginAtEachEnd) {
    for (int i = 0; i < 10; ++i) Bar().Add(10 + i, "B" + std::to_string(i));
    Draw();
    const auto& h = FChart.BottomAxis();
    int width = Bar().BarWidth(h.Length());
    TScreenRect first = Bar().BarRect(h, FChart.LeftAxis(), 0);
    TScreenRect last = Bar().BarRect(h, FChart.LeftAxis(), 9);
    EXPECT_EQ(first.Width(), width);
    EXPECT_NEAR(first.Left + width / 2, h.StartPos() + width, 1);
    EXPECT_NEAR(last.Left + width / 2, h.EndPos() - width, 1);
    EXPECT_GT(first.Left, FChart.ChartRect().Left);
    EXPECT_LT(last.Right, FChart.ChartRect().Right);
    // Bars grow from the zero line, which is the bottom of the plotting rectangle here.
    EXPECT_EQ(first.Bottom, FChart.ChartRect().Bottom);
    EXPECT_LT(last.Top, first.Top);
}

TEST_F(ChartBarTest, ValueRangeKeepsTheOriginInside) {
    double lo, hi;
    Bar().Add(5);
    Bar().Add(7);
    Bar().CalcVertRange(lo, hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 7);
    Bar().Clear();
    Bar().Add(-40);
    Bar().Add(-10);
    Bar().CalcVertRange(lo, hi);
    EXPECT_EQ(lo, -40);
    EXPECT_EQ(hi, 0);
    Bar().Add(100);
    Bar().CalcVertRange(lo, hi);
    EXPECT_EQ(lo, -40);
    EXPECT_EQ(hi, 100);
    // The negative bar grows downward from the zero line, and the axis has labels below 0.
    Draw();
    const auto& v = FChart.LeftAxis();
    TScreenRect neg = Bar().BarRect(FChart.BottomAxis(), v, 0);
    EXPECT_EQ(neg.Top, v.CalcPosValue(0));
    EXPECT_EQ(neg.Bottom, v.CalcPosValue(-40));
    EXPECT_GT(neg.Bottom, neg.Top);
    bool below = false;
    for (const auto& l : v.Labels) below |= l.Value < 0;
    EXPECT_TRUE(below);
}

TEST_F(ChartBarTest, LabelIncrementStepsOneTwoFive) {
    TChartAxis axis(false);
    axis.SetPixelRange(300, 0);
    axis.SetAutomaticRange(0, 1000);
    EXPECT_EQ(axis.CalcIncrement(13), 50);  // 21 labels fit: 1000 / 50 = 20
    axis.SetAutomaticRange(0, 3000000);
    EXPECT_EQ(axis.CalcIncrement(14), 200000);  // 20 fit
    axis.SetPixelRange(100, 0);
    axis.SetAutomaticRange(0, 0.5);
    EXPECT_NEAR(axis.CalcIncrement(10), 0.1, 1e-12);  // 9 fit; starts at 10^-12
    axis.SetAutomaticRange(-40, 100);
    double inc = axis.CalcIncrement(10);
    EXPECT_EQ(inc, 20);
    EXPECT_EQ(axis.LabelValues(inc), (std::vector<double>{-40, -20, 0, 20, 40, 60, 80, 100}));
    // A label too large for the axis still gives a finite increment.
    axis.SetAutomaticRange(0, 1e300);
    EXPECT_TRUE(std::isfinite(axis.CalcIncrement(1000)));
}

TEST_F(ChartBarTest, AxisLabelsPassThroughTheEvent) {
    Bar().Add(500000, "2048");
    Bar().Add(1500000, "Docs");
    std::vector<int> categoryIndexes;
    FChart.OnGetAxisLabel = [&](TChart&, const TChartAxis& axis, TChartSeries* series, int index, std::string& text) {
        if (axis.Horizontal()) {
            EXPECT_EQ(series, &Bar());
            categoryIndexes.push_back(index);
            text = "<" + text + ">";
        } else {
            EXPECT_EQ(index, -1);
            text += "KB";
        }
    };
    auto& canvas = Draw();
    auto texts = canvas.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "<2048>"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "<Docs>"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "0KB"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1,000,000KB"), texts.end());
    ASSERT_GE(categoryIndexes.size(), 2u);
    // Category labels are rotated.
    for (const auto& c : canvas.Of(TRecordedCall::Write))
        if (c.Text == "<Docs>") {
            EXPECT_EQ(c.Angle, 90);
        }
}

TEST_F(ChartBarTest, FlatBarIsAGradientFromColourToWhiteInAtMost256Bands) {
    Bar().Add(100, "Tall");
    auto& canvas = Draw(600, 800);
    TScreenRect r = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 0);
    ASSERT_GT(r.Height(), 256);
    std::vector<TRecordedCall> bands;
    for (const auto& c : canvas.Of(TRecordedCall::FillRect))
        if (c.Rect.Left == r.Left && c.Rect.Right == r.Right + 1) bands.push_back(c);
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands.front().Brush, RgbColor(255, 0, 0));
    EXPECT_EQ(bands.front().Rect.Top, r.Top);
    EXPECT_EQ(bands.back().Brush, clWhite);
    EXPECT_EQ(bands.back().Rect.Bottom, r.Bottom + 1);
    // Then outlined in black over the bands.
    bool outlined = false;
    for (const auto& c : canvas.Of(TRecordedCall::Rectangle))
        outlined |= c.Rect == TScreenRect{r.Left, r.Top, r.Right + 1, r.Bottom + 1} && c.BrushClear && c.Pen == clBlack;
    EXPECT_TRUE(outlined);
    // A short bar gets one band per row.
    Bar().Add(1, "Short");
    auto& again = Draw(600, 800);
    TScreenRect s = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 1);
    int rows = 0;
    for (const auto& c : again.Of(TRecordedCall::FillRect))
        rows += c.Rect.Left == s.Left && c.Rect.Right == s.Right + 1;
    EXPECT_EQ(rows, s.Height() + 1);
}

TEST_F(ChartBarTest, ThreeDimensionalBarsRecedeUpAndRight) {
    for (int i = 0; i < 4; ++i) Bar().Add(10 * (i + 1));
    SetChartType(FChart, FSetup, TChartType::Bar3D);
    auto& canvas = Draw();
    int depth = FChart.SeriesWidth3D();
    ASSERT_GT(depth, 0);
    TScreenRect r = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 0);
    // Top face: the front top edge and the same edge shifted right and up by the depth.
    bool topFace = false;
    for (const auto& c : canvas.Of(TRecordedCall::Polygon))
        if (c.Points.size() == 4 && c.Brush == ApplyDark(PaletteColor(0), 32))
            topFace |= c.Points[0] == TScreenPoint{r.Left, r.Top} &&
                       c.Points[2] == TScreenPoint{r.Right + depth, r.Top - depth};
    EXPECT_TRUE(topFace);
    // The plotting rectangle made room for the depth: it ends depth pixels earlier.
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    Draw();
    TScreenRect flat = FChart.ChartRect();
    SetChartType(FChart, FSetup, TChartType::Bar3D);
    Draw();
    EXPECT_LT(FChart.ChartRect().Right, flat.Right);
    EXPECT_GT(FChart.ChartRect().Top, flat.Top);
}

TEST_F(ChartBarTest, SideFacesHiddenByTheNextBlockAreNotDrawn) {
    // Dense bars of one height: each block hides the side of the one before it.
    for (int i = 0; i < 2000; ++i) Bar().Add(50, "B", RgbColor(100, 100, 100));
    SetChartType(FChart, FSetup, TChartType::Bar3D);
    auto sides = [&] {
        std::vector<TRecordedCall> out;
        for (const auto& c : Draw().Of(TRecordedCall::Polygon))
            if (c.Brush == ApplyDark(RgbColor(100, 100, 100), 64)) out.push_back(c);
        return out;
    };
    EXPECT_EQ(sides().size(), 1u);  // the last bar's
    // A taller bar before a shorter one shows the rows above it, from its top to the other's.
    Bar().SetValue(1000, 100);
    auto shown = sides();
    ASSERT_EQ(shown.size(), 2u);
    TScreenRect tall = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 1000);
    TScreenRect shorter = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 1001);
    EXPECT_EQ(shown[0].Points[0].Y, tall.Top);
    EXPECT_EQ(shown[0].Points[1].Y, shorter.Top - 1);
    // Bars far apart show whole sides.
    Bar().Clear();
    for (int i = 0; i < 3; ++i) Bar().Add(50, "B", RgbColor(100, 100, 100));
    EXPECT_EQ(sides().size(), 3u);
}

TEST_F(ChartBarTest, BarsPaintedOverByLaterOnesAreLeftOut) {
    // Many bars share each pixel column; a bar is drawn unless a later one covers all of it.
    for (int i = 0; i < 3000; ++i) Bar().Add(i % 3 == 0 ? 10 : 5, "B", RgbColor(10 + i % 3, 0, 0));
    for (auto type : {TChartType::Bar2D, TChartType::Bar3D}) {
        SetChartType(FChart, FSetup, type);
        auto& canvas = Draw();
        std::vector<TScreenRect> rects;
        for (int i = 0; i < Bar().Count(); ++i)
            rects.push_back(Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), i));
        int expected = 0;
        for (int i = 0; i < Bar().Count(); ++i) {
            bool covered = false;
            for (int j = i + 1; j < Bar().Count() && !covered; ++j)
                covered = rects[j].Left <= rects[i].Left && rects[j].Right >= rects[i].Right &&
                          rects[j].Top <= rects[i].Top && rects[j].Bottom >= rects[i].Bottom;
            expected += !covered;
        }
        ASSERT_LT(expected, 1000);
        // One outline per drawn bar.
        int outlines = 0;
        for (const auto& c : canvas.Of(TRecordedCall::Rectangle)) outlines += c.BrushClear && c.Pen == clBlack;
        EXPECT_EQ(outlines - (type == TChartType::Bar2D ? 1 : 0), expected);  // the 2D frame is one more
    }
}

TEST_F(ChartBarTest, HitTestFindsTheBarAtTheFrontDepth) {
    for (int i = 0; i < 5; ++i) Bar().Add(100 - 10 * i, "B");
    Draw();
    for (int i = 0; i < 5; ++i) {
        TScreenRect r = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), i);
        EXPECT_EQ(Bar().Clicked(FChart, r.Left, r.Top), i);  // inclusive edges
        EXPECT_EQ(Bar().Clicked(FChart, r.Right, r.Bottom), i);
        EXPECT_EQ(Bar().Clicked(FChart, r.Left - 1, (r.Top + r.Bottom) / 2), -1);
        EXPECT_EQ(Bar().Clicked(FChart, (r.Left + r.Right) / 2, r.Top - 1), -1);
    }
    SetChartType(FChart, FSetup, TChartType::Bar3D);
    Draw();
    TScreenRect r = Bar().BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 2);
    int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(Bar().Clicked(FChart, x, y), 2);  // the front face is at depth 0
    // On the top face, above the front: a miss when mapped back at the front depth.
    int depth = FChart.SeriesWidth3D();
    EXPECT_EQ(Bar().Clicked(FChart, r.Left + 2 + depth / 2, r.Top - depth / 2 - 1), -1);
}

}  // namespace
