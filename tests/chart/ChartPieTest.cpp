// Pie series: slice angles, explode, the sliver rule, the 3D drawing order, the round drawing
// area and the hit test, drawn through the recording canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "chart/ChartTestSupport.h"
#include "chart/ChartUtils.h"
#include "chart/RecordingCanvas.h"

using namespace charttest;

namespace {

constexpr double kPi = std::numbers::pi;

class ChartPieTest : public TChartTest {
protected:
    ChartPieTest() : TChartTest(TChartType::Pie2D, 400, 300) {}
    TPieSeries& Pie() { return *FSetup.Pie; }
};

TEST_F(ChartPieTest, OnePointIsAFullRedDiscMovedLeftByTenPercent) {
    Pie().Add(42, "Only");
    auto& canvas = Draw();
    auto pies = canvas.Of(TRecordedCall::Pie);
    ASSERT_EQ(pies.size(), 1u);
    const auto& g = Pie().Geometry();
    EXPECT_DOUBLE_EQ(g.Angles[0].StartAngle, 0);
    EXPECT_DOUBLE_EQ(g.Angles[0].EndAngle, 2 * kPi);
    EXPECT_EQ(pies[0].Brush, RgbColor(255, 0, 0));
    EXPECT_EQ(pies[0].Points[0], pies[0].Points[1]);  // same point: the whole ellipse
    int dx = pies[0].Rect.Left - g.CircleRect.Left;
    EXPECT_EQ(dx, -static_cast<int>(std::lround(g.XRadius * 0.1)));
    EXPECT_EQ(pies[0].Rect.Top, g.CircleRect.Top);
    // The area shrank by half the offset on each side, so the moved disc stays inside.
    EXPECT_GE(pies[0].Rect.Left, FChart.ChartRect().Left - 1);
}

TEST_F(ChartPieTest, TwoEqualValuesExplodeOnlyTheFirst) {
    Pie().Add(5, "A");
    Pie().Add(5, "B");
    Draw();
    EXPECT_EQ(Pie().ExplodePercent(0), 10);
    EXPECT_EQ(Pie().ExplodePercent(1), 0);
    EXPECT_EQ(Pie().Geometry().ExplodedSlice, 0);
    EXPECT_DOUBLE_EQ(Pie().Geometry().Angles[0].EndAngle, kPi);
    EXPECT_DOUBLE_EQ(Pie().Geometry().Angles[1].EndAngle, 2 * kPi);
    int dx, dy;
    Pie().SliceOffset(0, dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_GT(dy, 0);  // upward, towards its middle at pi/2
}

TEST_F(ChartPieTest, SeventeenSlicesCycleThePalette) {
    for (int i = 0; i < 17; ++i) Pie().Add(1 + i, "F" + std::to_string(i));
    auto& canvas = Draw();
    auto pies = canvas.Of(TRecordedCall::Pie);
    ASSERT_EQ(pies.size(), 17u);
    EXPECT_EQ(pies[0].Brush, RgbColor(255, 0, 0));
    EXPECT_EQ(pies[16].Brush, RgbColor(255, 0, 0));
    EXPECT_EQ(pies[4].Brush, RgbColor(255, 255, 255));
    EXPECT_EQ(pies[1].Brush, RgbColor(0, 128, 0));
    // The largest is the last one; only it is exploded.
    EXPECT_EQ(Pie().Geometry().ExplodedSlice, 16);
    // Explicit colours win over the palette.
    Pie().Add(3, "Own", RgbColor(1, 2, 3));
    EXPECT_EQ(Pie().ValueColor(17), RgbColor(1, 2, 3));
}

TEST_F(ChartPieTest, AllZerosDrawOneDiscInTheFirstColour) {
    for (int i = 0; i < 3; ++i) Pie().Add(0, "Z");
    auto& canvas = Draw();
    const auto& a = Pie().Geometry().Angles;
    EXPECT_DOUBLE_EQ(a[0].EndAngle, 2 * kPi);
    EXPECT_DOUBLE_EQ(a[1].StartAngle, 2 * kPi);
    EXPECT_DOUBLE_EQ(a[2].EndAngle, 2 * kPi);
    auto pies = canvas.Of(TRecordedCall::Pie);
    ASSERT_EQ(pies.size(), 1u);
    EXPECT_EQ(pies[0].Brush, PaletteColor(0));
    EXPECT_LT(pies[0].Rect.Left, Pie().Geometry().CircleRect.Left);  // moved left
}

TEST_F(ChartPieTest, SliverOnOnePixelIsLeftOutAndTheNextSliceCoversIt) {
    Pie().Add(1000000, "Big");
    Pie().Add(1, "Sliver");
    Pie().Add(900000, "Next");
    auto& canvas = Draw();
    auto pies = canvas.Of(TRecordedCall::Pie);
    ASSERT_EQ(pies.size(), 2u);
    EXPECT_EQ(pies[0].Brush, PaletteColor(0));
    EXPECT_EQ(pies[1].Brush, PaletteColor(2));
    // The next slice starts where the first one ended (neither moved: only the first is exploded).
    TScreenPoint firstEnd = Pie().AngleToPos(Pie().Geometry().Angles[0].EndAngle);
    EXPECT_EQ(pies[1].Points[0], firstEnd);
    EXPECT_EQ(pies[1].Points[1], Pie().AngleToPos(2 * kPi));
    // The legend still lists the sliver.
    FChart.Legend().SetVisible(true);
    Draw();
    ASSERT_EQ(FChart.Legend().RowCount(), 3);
    EXPECT_EQ(FChart.Legend().Texts()[1], "Sliver 1");
}

TEST_F(ChartPieTest, ThreeDimensionalSlicesAreDrawnFromBackToFront) {
    for (double v : {1.0, 3.0, 3.0, 1.0}) Pie().Add(v);
    SetChartType(FChart, FSetup, TChartType::Pie3D);
    auto& canvas = Draw();
    // Middles pi/8, 5pi/8, 11pi/8, 15pi/8: distances from pi/2 of 3pi/8, pi/8, 7pi/8, 5pi/8.
    EXPECT_EQ(Pie().DrawOrder3D(), (std::vector<int>{1, 0, 3, 2}));
    // Each slice ends with its top face, a fan of the centre and 33 arc points in its own colour.
    std::vector<TColor> tops;
    for (const auto& c : canvas.Of(TRecordedCall::Polygon))
        if (c.Brush == PaletteColor(0) || c.Brush == PaletteColor(1) || c.Brush == PaletteColor(2) ||
            c.Brush == PaletteColor(3))
            tops.push_back(c.Brush);
    EXPECT_EQ(tops, (std::vector<TColor>{PaletteColor(1), PaletteColor(0), PaletteColor(3), PaletteColor(2)}));
    // Sides are darker by 32 in each channel.
    bool darkSide = false;
    for (const auto& c : canvas.Of(TRecordedCall::Polygon))
        darkSide |= c.Points.size() == 4 && c.Brush == ApplyDark(PaletteColor(1), 32);
    EXPECT_TRUE(darkSide);
    EXPECT_EQ(ApplyDark(RgbColor(20, 100, 255), 32), RgbColor(0, 68, 223));
}

TEST_F(ChartPieTest, ThreeDimensionalPieIsATiltedDiscWithItsEdgeBelow) {
    Pie().Add(1);
    SetChartType(FChart, FSetup, TChartType::Pie3D);
    auto& canvas = Draw(400, 400);
    const auto& g = Pie().Geometry();
    // The face in the slice's colour, drawn last; the sides in the darker colour before it.
    auto polygons = canvas.Of(TRecordedCall::Polygon);
    ASSERT_GE(polygons.size(), 2u);
    const auto& face = polygons.back();
    EXPECT_EQ(face.Brush, RgbColor(255, 0, 0));
    EXPECT_EQ(face.Points.size(), 34u);  // centre and 32 segments
    int top = INT32_MAX, bottom = INT32_MIN, left = INT32_MAX, right = INT32_MIN;
    for (auto p : face.Points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
        left = std::min(left, p.X);
        right = std::max(right, p.X);
    }
    // Seen from 45 degrees above: 0.7071 times as high as wide (relative to the radii).
    EXPECT_NEAR(double(bottom - top) / (right - left), 0.7071 * g.YRadius / g.XRadius, 0.02);
    int depth = FChart.SeriesWidth3D();
    EXPECT_GT(depth, 0);
    // The edge shows under the face, by the projected depth.
    int sideBottom = INT32_MIN;
    for (size_t i = 0; i + 1 < polygons.size(); ++i) {
        EXPECT_EQ(polygons[i].Brush, ApplyDark(RgbColor(255, 0, 0), 32));
        for (auto p : polygons[i].Points) sideBottom = std::max(sideBottom, p.Y);
    }
    EXPECT_NEAR(sideBottom - bottom, depth * 0.7071, 1.5);
}

TEST_F(ChartPieTest, CutFacesOnlyWhereSlicesAreMovedApart) {
    for (double v : {4.0, 1.0, 1.0, 1.0}) Pie().Add(v);
    SetChartType(FChart, FSetup, TChartType::Pie3D);
    auto cutFaces = [&] {
        int faces = 0;
        for (const auto& c : Draw().Of(TRecordedCall::Polygon)) faces += c.Points.size() == 4;
        return faces;
    };
    // The exploded first slice shows both its cut faces, and so do its two neighbours, one each.
    EXPECT_EQ(cutFaces(), 4);
    Pie().Clear();
    Pie().ExplodeBiggest = 0;
    for (double v : {4.0, 1.0, 1.0, 1.0}) Pie().Add(v);
    EXPECT_EQ(cutFaces(), 0);
}

TEST_F(ChartPieTest, CircledAreaFollowsThePixelAspect) {
    TScreenRect r = TCircledSeries::CircleRect({0, 0, 301, 200}, 1.0, true);
    EXPECT_EQ(r.Width(), 200);
    EXPECT_EQ(r.Height(), 200);
    EXPECT_EQ(r.Left, 50);
    // Pixels twice as dense horizontally: a circle is twice as wide in pixels.
    r = TCircledSeries::CircleRect({0, 0, 400, 400}, 2.0, true);
    EXPECT_EQ(r.Width(), 400);
    EXPECT_EQ(r.Height(), 200);
    // Tiny and inverted rectangles still give at least 4 pixels.
    r = TCircledSeries::CircleRect({10, 10, 5, 5}, 1.0, true);
    EXPECT_GE(r.Width(), 4);
    EXPECT_GE(r.Height(), 4);
    r = TCircledSeries::CircleRect({0, 0, 300, 200}, 1.0, false);
    EXPECT_EQ(r.Width(), 300);
}

TEST_F(ChartPieTest, HitTestOnBoundariesAndInTheExplodedSlice) {
    Pie().Add(5, "Upper");
    Pie().Add(5, "Lower");
    Draw();
    const auto& g = Pie().Geometry();
    int cx = g.XCenter, cy = g.YCenter;
    int dx, dy;
    Pie().SliceOffset(0, dx, dy);
    ASSERT_GT(dy, 2);
    // On the boundaries at 0 and pi the first slice wins (both ends are inclusive).
    EXPECT_EQ(Pie().Clicked(FChart, cx + 10, cy), 0);
    EXPECT_EQ(Pie().Clicked(FChart, cx - 10, cy), 0);
    EXPECT_EQ(Pie().Clicked(FChart, cx, cy - 10), 0);
    EXPECT_EQ(Pie().Clicked(FChart, cx, cy + 10), 1);
    EXPECT_EQ(Pie().Clicked(FChart, cx + 10, cy + 1), 1);
    // The exploded slice reaches its moved top edge; the other ends at its radius.
    EXPECT_EQ(Pie().Clicked(FChart, cx, cy - g.YRadius - dy + 2), 0);
    EXPECT_EQ(Pie().Clicked(FChart, cx, cy - g.YRadius - dy - 2), -1);
    EXPECT_EQ(Pie().Clicked(FChart, cx, cy + g.YRadius + 2), -1);
    EXPECT_EQ(Pie().Clicked(FChart, cx + g.XRadius + 5, cy + 5), -1);
    // Through the chart: the series part with its index.
    auto part = FChart.CalcClickedPart(cx, cy + 20);
    EXPECT_EQ(part.Part, TChartClickedPartStyle::cpSeries);
    EXPECT_EQ(part.PointIndex, 1);
    EXPECT_EQ(part.ASeries, &Pie());
}

TEST_F(ChartPieTest, HitTestIn3DMapsBackThroughTheProjection) {
    Pie().Add(1, "Right");
    Pie().Add(1, "Left");
    Pie().ExplodeBiggest = 0;
    SetChartType(FChart, FSetup, TChartType::Pie3D);
    Draw(400, 400);
    const auto& g = Pie().Geometry();
    double z0, z1;
    FChart.SeriesDepth(Pie(), z0, z1);
    // A point of the top face, projected to the screen, hits its slice.
    TScreenPoint lowerLeft = FChart.Projection().Calc3DPos(g.XCenter - g.XRadius / 2, g.YCenter + g.YRadius / 2, z1);
    TScreenPoint upperRight = FChart.Projection().Calc3DPos(g.XCenter + g.XRadius / 2, g.YCenter - g.YRadius / 2, z1);
    EXPECT_EQ(FChart.CalcClickedPart(lowerLeft.X, lowerLeft.Y).PointIndex, 1);
    EXPECT_EQ(FChart.CalcClickedPart(upperRight.X, upperRight.Y).PointIndex, 0);
    // The unprojected position of the lower edge lies below the squashed disc: no slice.
    EXPECT_EQ(Pie().Clicked(FChart, g.XCenter, g.YCenter + g.YRadius - 2), -1);
}

TEST_F(ChartPieTest, ClearingForgetsExplodePercentages) {
    Pie().Add(1);
    Pie().Add(9);
    Draw();
    EXPECT_EQ(Pie().ExplodePercent(1), 10);
    Pie().Clear();
    EXPECT_EQ(Pie().ExplodePercent(1), 0);
    Pie().Add(9);
    Pie().Add(1);
    Draw();
    EXPECT_EQ(Pie().ExplodePercent(0), 10);
    EXPECT_EQ(Pie().ExplodePercent(1), 0);
}

TEST_F(ChartPieTest, NegativeAndNonFiniteValuesKeepAnglesInOneTurn) {
    for (double v : {-5.0, double(NAN), double(INFINITY), 5.0, -double(INFINITY), 1e308, 1e308}) Pie().Add(v);
    Draw();
    double previous = 0;
    for (const auto& a : Pie().Geometry().Angles) {
        EXPECT_TRUE(std::isfinite(a.EndAngle));
        EXPECT_GE(a.EndAngle, previous);
        EXPECT_LE(a.EndAngle, 2 * kPi);
        previous = a.EndAngle;
    }
    EXPECT_DOUBLE_EQ(previous, 2 * kPi);
}

}  // namespace
