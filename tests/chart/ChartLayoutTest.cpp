// The chart panel's logic: layout, legend, settings per chart type, projections, hit-test order,
// mouse zoom and scroll, number texts, and drawing of bad input without faults.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/ChartTestSupport.h"
#include "chart/ChartUtils.h"
#include "chart/RecordingCanvas.h"

using namespace charttest;

namespace {

class ChartLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { FSetup = AddProgramSeries(FChart); }
    TRecordingCanvas& Draw(int width = 400, int height = 300) {
        FCanvas = TRecordingCanvas();
        FChart.Draw(FCanvas, width, height);
        return FCanvas;
    }
    void Drag(TMouseButton button, int x0, int y0, int x1, int y1) {
        FChart.MouseDown(button, 0, x0, y0);
        FChart.MouseMove((x0 + x1) / 2, (y0 + y1) / 2);
        FChart.MouseMove(x1, y1);
        FChart.MouseUp(button, x1, y1);
    }

    TChart FChart;
    TChartSetup FSetup;
    TRecordingCanvas FCanvas;
};

TEST_F(ChartLayoutTest, ValueTextsUseThousandsAndUpToThreeDecimals) {
    EXPECT_EQ(FormatChartValue(0), "0");
    EXPECT_EQ(FormatChartValue(999), "999");
    EXPECT_EQ(FormatChartValue(1000), "1,000");
    EXPECT_EQ(FormatChartValue(3221225472.0), "3,221,225,472");
    EXPECT_EQ(FormatChartValue(1234.5678), "1,234.568");
    EXPECT_EQ(FormatChartValue(0.5), "0.5");
    EXPECT_EQ(FormatChartValue(-1), "-1");
    EXPECT_EQ(FormatChartValue(-1234567), "-1,234,567");
    EXPECT_EQ(FormatChartValue(-0.0001), "0");
    EXPECT_EQ(FormatChartValue(NAN), "NAN");
    EXPECT_EQ(FormatChartValue(-INFINITY), "-INF");
    EXPECT_EQ(MulDivRound(333, 3, 100), 10);
    EXPECT_EQ(MulDivRound(400, 3, 100), 12);
    EXPECT_EQ(MulDivRound(-50, 1, 100), -1);
    EXPECT_EQ(MulDivRound(5, 5, 0), 0);
    EXPECT_EQ(RoundToInt(NAN), 0);
    EXPECT_EQ(RoundToInt(1e300), 1 << 28);
}

TEST_F(ChartLayoutTest, MarginsFooterAndPlottingRectangle) {
    SetChartType(FChart, FSetup, TChartType::Pie2D);
    FChart.Foot().SetText({"Total File Size"});
    auto& canvas = Draw(400, 300);
    EXPECT_EQ(FChart.InnerRect(), (TScreenRect{12, 9, 388, 291}));
    // Footer: 16 pixels (13 + 3) at the bottom, centred, navy bold Verdana.
    EXPECT_EQ(FChart.Foot().Rect, (TScreenRect{12, 275, 388, 291}));
    EXPECT_EQ(FChart.ChartRect().Bottom, 275 - 4);
    bool footer = false;
    for (const auto& c : canvas.Of(TRecordedCall::Write))
        if (c.Text == "Total File Size") {
            footer = true;
            EXPECT_EQ(c.Font.Color, clNavy);
            EXPECT_TRUE(c.Font.Bold);
            EXPECT_EQ(c.Font.Name, "Verdana");
            EXPECT_EQ(c.Points[0].X, (12 + 388 - 15 * 6) / 2);
        }
    EXPECT_TRUE(footer);
    // The hidden title takes no room.
    EXPECT_EQ(FChart.ChartRect().Top, 9);
    // Background first: a gradient from the start colour at the bottom to the end colour at the top.
    ASSERT_FALSE(canvas.Calls.empty());
    EXPECT_EQ(canvas.Calls.front().Kind, TRecordedCall::FillRect);
    EXPECT_EQ(canvas.Calls.front().Brush, RgbColor(216, 255, 202));
    auto fills = canvas.Of(TRecordedCall::FillRect);
    EXPECT_EQ(fills[255].Brush, RgbColor(225, 255, 255));
    EXPECT_EQ(fills[255].Rect.Bottom, 300);
}

TEST_F(ChartLayoutTest, LegendListsTheRowsThatFit) {
    SetChartType(FChart, FSetup, TChartType::Pie2D);
    for (int i = 0; i < 30; ++i) FSetup.Pie->Add(1000 * (i + 1), "Folder" + std::to_string(i));
    int events = 0;
    FChart.OnGetLegendText = [&](TChart&, int index, std::string& text) {
        ++events;
        if (index == 0) text = "First";
    };
    Draw(400, 300);
    TScreenRect before = FChart.ChartRect();
    FChart.Legend().SetVisible(true);
    Draw(400, 300);
    const TChartLegend& legend = FChart.Legend();
    // Row height 12 (9 + 3); rows from 31 (top edge 30 plus the frame) to the chart area's bottom 271.
    EXPECT_EQ(legend.RowHeight(), 12);
    EXPECT_EQ(legend.Rect().Top, 30);
    EXPECT_EQ(legend.RowCount(), (271 - 1 - 31) / 12);
    EXPECT_EQ(events, legend.RowCount());
    EXPECT_EQ(legend.Texts()[0], "First");
    EXPECT_EQ(legend.Texts()[1], "Folder1 2,000");
    // Columns: right edge 388 - 2 - 1, text ends 2 before it, box ends 4 before the text.
    int widest = static_cast<int>(std::string("Folder10 11,000").size()) * 4;
    EXPECT_EQ(legend.Rect().Right, 385);
    EXPECT_EQ(legend.TextRight(), 383);
    EXPECT_EQ(legend.TextLeft(), 383 - widest);
    EXPECT_EQ(legend.BoxRight(), legend.TextLeft() - 4);
    EXPECT_EQ(legend.BoxRight() - legend.BoxLeft(), static_cast<int>(std::lround((widest + 10) * 0.1)));
    EXPECT_EQ(legend.Rect().Left, legend.BoxLeft() - 4);
    // The chart narrowed to make room; rows map to their points; no row beyond the last.
    EXPECT_LT(FChart.ChartRect().Right, legend.Rect().Left);
    EXPECT_LT(FChart.ChartRect().Right, before.Right);
    EXPECT_EQ(legend.Clicked(legend.TextLeft() + 1, legend.FirstRowTop() + 12 * 5 + 1), 5);
    EXPECT_EQ(legend.Clicked(legend.TextLeft() + 1, legend.FirstRowTop() + 12 * legend.RowCount()), -1);
    // Colour boxes in point colours, text shadow and frame drawn last.
    FChart.Legend().SetVisible(false);
    Draw(400, 300);
    EXPECT_EQ(FChart.ChartRect(), before);
}

TEST_F(ChartLayoutTest, LegendDrawnLastWithShadowFrameAndBoxes) {
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    FSetup.Bar->Add(1, "A");
    FSetup.Bar->Add(2, "B");
    FChart.Legend().SetVisible(true);
    auto& canvas = Draw();
    const auto& r = FChart.Legend().Rect();
    size_t shadow = canvas.Calls.size(), frame = canvas.Calls.size();
    for (size_t i = 0; i < canvas.Calls.size(); ++i) {
        const auto& c = canvas.Calls[i];
        if (c.Kind == TRecordedCall::FillRect &&
            c.Rect == TScreenRect{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1})
            shadow = i;
        if (c.Kind == TRecordedCall::Rectangle && c.Rect == r) frame = i;
    }
    ASSERT_LT(shadow, frame);
    ASSERT_LT(frame, canvas.Calls.size());
    EXPECT_EQ(canvas.Calls[shadow].Brush, clBlack);
    EXPECT_EQ(canvas.Calls[frame].Brush, clWhite);
    EXPECT_EQ(canvas.Calls[frame].Pen, clBlack);
    std::vector<TColor> boxes;
    for (size_t i = frame; i < canvas.Calls.size(); ++i)
        if (canvas.Calls[i].Kind == TRecordedCall::Rectangle && canvas.Calls[i].Rect.Left == FChart.Legend().BoxLeft())
            boxes.push_back(canvas.Calls[i].Brush);
    EXPECT_EQ(boxes, (std::vector<TColor>{PaletteColor(0), PaletteColor(1)}));
    // Nothing of the series is drawn after the legend.
    for (size_t i = frame; i < canvas.Calls.size(); ++i) EXPECT_NE(canvas.Calls[i].Kind, TRecordedCall::Polygon);
}

TEST_F(ChartLayoutTest, RoundSeriesSwitchesTheChartSettings) {
    SetChartType(FChart, FSetup, TChartType::Bar3D);
    EXPECT_TRUE(FChart.AxisVisible());
    EXPECT_TRUE(FChart.ClipPoints());
    EXPECT_TRUE(FChart.View3DWalls());
    EXPECT_TRUE(FChart.FrameVisible());
    EXPECT_TRUE(FChart.BackWallSolid());
    EXPECT_TRUE(FChart.AllowZoom());
    EXPECT_EQ(FChart.AllowPanning(), TPanningMode::pmBoth);
    EXPECT_TRUE(FChart.View3DOptions().Orthogonal);
    SetChartType(FChart, FSetup, TChartType::Pie3D);
    EXPECT_FALSE(FChart.AxisVisible());
    EXPECT_FALSE(FChart.ClipPoints());
    EXPECT_FALSE(FChart.View3DWalls());
    EXPECT_FALSE(FChart.FrameVisible());
    EXPECT_FALSE(FChart.BackWallSolid());
    EXPECT_FALSE(FChart.AllowZoom());
    EXPECT_EQ(FChart.AllowPanning(), TPanningMode::pmNone);
    EXPECT_FALSE(FChart.View3DOptions().Orthogonal);
    EXPECT_EQ(FChart.View3DOptions().Elevation, 315);
    EXPECT_EQ(FChart.View3DOptions().Rotation, 360);
    // Setting the same state again still applies the switch.
    FChart.SetAxisVisible(true);
    FSetup.Pie->SetActive(true);
    EXPECT_FALSE(FChart.AxisVisible());
    // Axes appear in the bar types only.
    FSetup.Bar->Add(3, "x");
    FSetup.Pie->Add(3, "x");
    auto& pie = Draw();
    EXPECT_TRUE(pie.Of(TRecordedCall::Line).empty());
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    auto& bar = Draw();
    EXPECT_FALSE(bar.Of(TRecordedCall::Line).empty());
    bool dottedGrid = false;
    for (const auto& c : bar.Of(TRecordedCall::Line)) dottedGrid |= c.PenStyle == TPenStyle::psDot && c.Pen == clGray;
    EXPECT_TRUE(dottedGrid);
}

TEST_F(ChartLayoutTest, ProjectionsAndTheirInverses) {
    TView3DOptions options;
    options.Orthogonal = true;
    TChartProjection ortho(true, options, {0, 0, 200, 100}, 10);
    EXPECT_EQ(ortho.Calc3DPos(50, 60, 10), (TScreenPoint{60, 50}));
    double x, y;
    ASSERT_TRUE(ortho.Inverse(60, 50, 10, x, y));
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 60);

    options.Orthogonal = false;  // 45 degrees from above
    TChartProjection rotated(true, options, {0, 0, 200, 100}, 20);
    // Relative to the centre (100, 50) and half the depth (10).
    EXPECT_EQ(rotated.Calc3DPos(180, 50, 10), (TScreenPoint{180, 50}));
    EXPECT_EQ(rotated.Calc3DPos(100, 90, 10), (TScreenPoint{100, 50 + 28}));
    EXPECT_EQ(rotated.Calc3DPos(100, 50, 20), (TScreenPoint{100, 50 - 7}));  // deeper is higher

    options.Rotation = 20;
    options.Tilt = 10;
    options.Perspective = 50;
    options.Zoom = 120;
    TChartProjection general(true, options, {0, 0, 300, 200}, 40);
    for (double z : {0.0, 17.0, 40.0})
        for (auto [px, py] : {std::pair{10.0, 20.0}, {150.0, 100.0}, {290.0, 190.0}}) {
            TScreenPoint s = general.Calc3DPos(px, py, z);
            ASSERT_TRUE(general.Inverse(s.X, s.Y, z, x, y));
            EXPECT_NEAR(x, px, 2.0);
            EXPECT_NEAR(y, py, 2.0);
        }
    // Seen edge-on there is no single answer.
    options = {};
    options.Elevation = 270;
    TChartProjection edge(true, options, {0, 0, 100, 100}, 10);
    EXPECT_FALSE(edge.Inverse(50, 50, 5, x, y));
}

TEST_F(ChartLayoutTest, HitTestOrder) {
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    for (int i = 0; i < 4; ++i) FSetup.Bar->Add(i == 1 ? 100 : 10, "B");
    FChart.Foot().SetText({"Total File Size"});
    FChart.Legend().SetVisible(true);
    Draw(500, 400);
    const TScreenRect& plot = FChart.ChartRect();
    TScreenRect bar = FSetup.Bar->BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 1);
    // A bar standing on the bottom axis wins over the axis.
    auto part = FChart.CalcClickedPart((bar.Left + bar.Right) / 2, bar.Bottom);
    EXPECT_EQ(part.Part, TChartClickedPartStyle::cpSeries);
    EXPECT_EQ(part.PointIndex, 1);
    part = FChart.CalcClickedPart(plot.Left + 1, (plot.Top + plot.Bottom) / 2);
    EXPECT_EQ(part.Part, TChartClickedPartStyle::cpAxis);
    EXPECT_EQ(part.AAxis, &FChart.LeftAxis());
    part = FChart.CalcClickedPart((plot.Left + plot.Right) / 2, plot.Top + 2);
    EXPECT_EQ(part.Part, TChartClickedPartStyle::cpChartRect);
    EXPECT_EQ(part.PointIndex, -1);
    const auto& foot = FChart.Foot().Rect;
    EXPECT_EQ(FChart.CalcClickedPart((foot.Left + foot.Right) / 2, foot.Top + 2).Part, TChartClickedPartStyle::cpFoot);
    const auto& legend = FChart.Legend();
    part = FChart.CalcClickedPart(legend.TextLeft() + 1, legend.FirstRowTop() + legend.RowHeight() * 3 + 1);
    EXPECT_EQ(part.Part, TChartClickedPartStyle::cpLegend);
    EXPECT_EQ(part.PointIndex, 3);
    EXPECT_EQ(FChart.CalcClickedPart(1, 1).Part, TChartClickedPartStyle::cpNone);
    // Inactive series are not hit.
    FSetup.Bar->SetActive(false);
    EXPECT_NE(FChart.CalcClickedPart((bar.Left + bar.Right) / 2, bar.Bottom - 2).Part,
              TChartClickedPartStyle::cpSeries);
}

TEST_F(ChartLayoutTest, ClicksRaiseSeriesAndLegendEventsWithoutZooming) {
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    FSetup.Bar->Add(10, "A");
    FSetup.Bar->Add(20, "B");
    FChart.Legend().SetVisible(true);
    Draw(500, 400);
    int series = -1, legend = 0;
    TMouseButton button = TMouseButton::mbMiddle;
    FChart.OnClickSeries = [&](TChart&, TChartSeries&, int index, TMouseButton b, TShiftState, int, int) {
        series = index;
        button = b;
    };
    FChart.OnClickLegend = [&](TChart&, TMouseButton, TShiftState, int, int) { ++legend; };
    TScreenRect bar = FSetup.Bar->BarRect(FChart.BottomAxis(), FChart.LeftAxis(), 1);
    FChart.MouseDown(TMouseButton::mbRight, 0, bar.Left + 1, bar.Bottom - 1);
    EXPECT_EQ(series, 1);
    EXPECT_EQ(button, TMouseButton::mbRight);
    EXPECT_FALSE(FChart.Panning());
    FChart.MouseDown(TMouseButton::mbLeft, 0, FChart.Legend().TextLeft() + 1, FChart.Legend().FirstRowTop() + 1);
    EXPECT_EQ(legend, 1);
    EXPECT_FALSE(FChart.Zooming());
    // The legend's frame outside any row raises nothing.
    FChart.MouseDown(TMouseButton::mbLeft, 0, FChart.Legend().TextLeft() + 1, FChart.Legend().Rect().Top);
    EXPECT_EQ(legend, 1);
}

TEST_F(ChartLayoutTest, ZoomByDragToTheLowerRightAndRestoreByAnyOther) {
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    for (int i = 0; i < 10; ++i) FSetup.Bar->Add(i == 9 ? 100 : 5, "B");
    Draw(600, 400);
    const TScreenRect plot = FChart.ChartRect();
    int x0 = plot.Left + 5, y0 = plot.Top + 5;
    ASSERT_EQ(FChart.CalcClickedPart(x0, y0).Part, TChartClickedPartStyle::cpChartRect);
    double lo = FChart.LeftAxis().CalcPosPoint(y0 + 100), hi = FChart.LeftAxis().CalcPosPoint(y0);
    double left = FChart.BottomAxis().CalcPosPoint(x0), right = FChart.BottomAxis().CalcPosPoint(x0 + 200);
    // 16 pixels is not more than 16: nothing happens.
    Drag(TMouseButton::mbLeft, x0, y0, x0 + 16, y0 + 100);
    EXPECT_FALSE(FChart.Zoomed());
    Drag(TMouseButton::mbLeft, x0, y0, x0 + 200, y0 + 100);
    EXPECT_TRUE(FChart.Zoomed());
    EXPECT_DOUBLE_EQ(FChart.LeftAxis().Minimum(), lo);
    EXPECT_DOUBLE_EQ(FChart.LeftAxis().Maximum(), hi);
    EXPECT_DOUBLE_EQ(FChart.BottomAxis().Minimum(), left);
    EXPECT_DOUBLE_EQ(FChart.BottomAxis().Maximum(), right);
    // The zoomed range holds through a redraw.
    Draw(600, 400);
    EXPECT_DOUBLE_EQ(FChart.LeftAxis().Maximum(), hi);
    // A small drag leaves the zoom; one up and to the left restores the automatic view.
    Drag(TMouseButton::mbLeft, x0 + 100, y0 + 100, x0 + 110, y0 + 80);
    EXPECT_TRUE(FChart.Zoomed());
    Drag(TMouseButton::mbLeft, x0 + 100, y0 + 100, x0 + 60, y0 + 60);
    EXPECT_FALSE(FChart.Zoomed());
    // Lower left restores too.
    Drag(TMouseButton::mbLeft, x0 + 100, y0 + 10, x0 + 200, y0 + 100);
    ASSERT_TRUE(FChart.Zoomed());
    Drag(TMouseButton::mbLeft, x0 + 100, y0 + 10, x0 + 50, y0 + 100);
    EXPECT_FALSE(FChart.Zoomed());
}

TEST_F(ChartLayoutTest, RightDragScrollsTheBarAxes) {
    SetChartType(FChart, FSetup, TChartType::Bar2D);
    for (int i = 0; i < 5; ++i) FSetup.Bar->Add(5, "B");
    Draw(600, 400);
    const TScreenRect plot = FChart.ChartRect();
    double min = FChart.BottomAxis().Minimum(), vmin = FChart.LeftAxis().Minimum();
    FChart.MouseDown(TMouseButton::mbRight, 0, plot.Left + 5, plot.Top + 5);
    ASSERT_TRUE(FChart.Panning());
    FChart.MouseMove(plot.Left + 55, plot.Top + 25);
    FChart.MouseUp(TMouseButton::mbRight, plot.Left + 55, plot.Top + 25);
    EXPECT_FALSE(FChart.Panning());
    // Dragging right moves the view left (smaller values), dragging down moves it up.
    EXPECT_LT(FChart.BottomAxis().Minimum(), min);
    EXPECT_GT(FChart.LeftAxis().Minimum(), vmin);
    FChart.UndoZoom();
    EXPECT_FALSE(FChart.Zoomed());
    // Ranges far beyond the points, as long scrolling leaves them, still draw and hit-test.
    for (double far : {1e12, -1e12, 3e9, 1e300}) {
        FChart.BottomAxis().SetMinMax(far, far + 10);
        FChart.LeftAxis().SetMinMax(-far, -far + 10);
        Draw(600, 400);
        EXPECT_TRUE(FChart.BottomAxis().Labels.empty());
        const TScreenRect& now = FChart.ChartRect();
        EXPECT_EQ(FChart.CalcClickedPart((now.Left + now.Right) / 2, (now.Top + now.Bottom) / 2).Part,
                  TChartClickedPartStyle::cpChartRect);
    }
}

TEST_F(ChartLayoutTest, PieTypesIgnoreZoomAndScroll) {
    for (auto type : {TChartType::Pie2D, TChartType::Pie3D}) {
        SetChartType(FChart, FSetup, type);
        FSetup.Pie->Clear();
        FSetup.Pie->Add(1, "A");
        Draw(600, 400);
        const TScreenRect plot = FChart.ChartRect();
        Drag(TMouseButton::mbLeft, plot.Left + 1, plot.Top + 1, plot.Left + 150, plot.Top + 150);
        EXPECT_FALSE(FChart.Zooming());
        EXPECT_FALSE(FChart.Zoomed());
        FChart.MouseDown(TMouseButton::mbRight, 0, plot.Left + 1, plot.Top + 1);
        EXPECT_FALSE(FChart.Panning());
    }
}

TEST_F(ChartLayoutTest, BadInputDrawsAndHitTestsInEveryTypeAndSize) {
    std::string huge(10000, 'W');
    for (double v : {0.0, -1.0, double(NAN), double(INFINITY), -double(INFINITY), 1e308, -1e308, 5.0}) {
        FSetup.Pie->Add(v, huge);
        FSetup.Bar->Add(v, huge + "\r\n");
    }
    FChart.Legend().SetVisible(true);
    for (auto type : {TChartType::Pie2D, TChartType::Pie3D, TChartType::Bar2D, TChartType::Bar3D}) {
        SetChartType(FChart, FSetup, type);
        for (int size : {-5, 0, 1, 2, 5, 13, 40, 100, 700, 1920}) {
            auto& canvas = Draw(size, size * 9 / 16);
            if (size <= 0) {
                EXPECT_TRUE(canvas.Calls.empty());
            }
            const auto& legend = FChart.Legend().Rect();
            if (!legend.IsEmpty()) {
                EXPECT_GE(legend.Left, FChart.InnerRect().Left);
            }
            for (int x = -3; x < size + 3; x += std::max(1, size / 7))
                for (int y = -3; y < size; y += std::max(1, size / 9)) FChart.CalcClickedPart(x, y);
            Drag(TMouseButton::mbLeft, 0, 0, size, size);
            Drag(TMouseButton::mbRight, size, size, 0, 0);
        }
    }
    // No points: nothing of the series, the footer still there.
    FSetup.Pie->Clear();
    SetChartType(FChart, FSetup, TChartType::Pie2D);
    auto& canvas = Draw();
    EXPECT_TRUE(canvas.Of(TRecordedCall::Pie).empty());
    EXPECT_EQ(FChart.CalcClickedPart(200, 150).Part, TChartClickedPartStyle::cpChartRect);
}

TEST_F(ChartLayoutTest, HundredThousandPointsDrawInEveryType) {
    for (int i = 0; i < 100000; ++i) {
        FSetup.Pie->Add(i % 97 + 1, "P");
        FSetup.Bar->Add(i % 97 - 10, "P");
    }
    FChart.Legend().SetVisible(true);
    for (auto type : {TChartType::Pie2D, TChartType::Pie3D, TChartType::Bar2D, TChartType::Bar3D}) {
        SetChartType(FChart, FSetup, type);
        TCountingCanvas canvas;
        FChart.Draw(canvas, 1000, 700);
        EXPECT_GT(canvas.Shapes, 1000);
        EXPECT_LT(FChart.Legend().RowCount(), 100);
        EXPECT_NE(FChart.CalcClickedPart(500, 350).Part, TChartClickedPartStyle::cpNone);
    }
    // Category labels are thinned out so they do not overlap.
    EXPECT_LT(FChart.BottomAxis().Labels.size(), 200u);
}

}  // namespace
