// Chart types of the folder chart: the cycle, the chart-level settings of each type, and the key of
// the point a press on the chart stands for.
#include <gtest/gtest.h>

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/PieSeries.h"
#include "chart/RecordingCanvas.h"
#include "charts/ChartModes.h"

namespace {

struct TFolderChart {
    TChart Chart;
    TPieSeries* Pie;
    TBarSeries* Bar;
    TFolderChart() {
        Pie = static_cast<TPieSeries*>(&Chart.AddSeries(std::make_unique<TPieSeries>()));
        Bar = static_cast<TBarSeries*>(&Chart.AddSeries(std::make_unique<TBarSeries>()));
        // As at window creation: reset, then the pie activated.
        ResetChartType(Chart);
        Pie->SetActive(true);
    }
    void Select(TChartType type) {
        ResetChartType(Chart);
        ApplyChartType(Chart, type);
    }
};

TEST(ChartTypes, CycleFiveTimesReturnsToFlatPie) {
    TFolderChart f;
    // Right after creation the flat pie shows although no type was chosen.
    ASSERT_EQ(CurrentChartType(f.Chart), TChartType::ctPie);
    const TChartType expected[] = {TChartType::ctPie3D, TChartType::ctBar, TChartType::ctBar3D, TChartType::ctTreemap,
                                   TChartType::ctPie};
    TChartType type = TChartType::ctPie;
    for (TChartType next : expected) {
        type = NextChartType(type);
        EXPECT_EQ(type, next);
        f.Select(type);
        // Behind the treemap the chart keeps the flat pie.
        EXPECT_EQ(CurrentChartType(f.Chart), type == TChartType::ctTreemap ? TChartType::ctPie : type);
        EXPECT_NE(f.Pie->Active(), f.Bar->Active());
    }
}

TEST(ChartTypes, NoActiveSeriesHasNoType) {
    TFolderChart f;
    ResetChartType(f.Chart);
    EXPECT_FALSE(CurrentChartType(f.Chart).has_value());
}

TEST(ChartTypes, SettingsOfEachType) {
    struct TCase {
        TChartType Type;
        bool PieActive, View3D, Orthogonal, Axes;
    };
    const TCase cases[] = {
        {TChartType::ctPie, true, false, false, false}, {TChartType::ctPie3D, true, true, false, false},
        {TChartType::ctBar, false, false, false, true}, {TChartType::ctBar3D, false, true, true, true},
        {TChartType::ctPie, true, false, false, false},  // and back again
    };
    TFolderChart f;
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Type));
        f.Select(c.Type);
        EXPECT_EQ(f.Pie->Active(), c.PieActive);
        EXPECT_EQ(f.Bar->Active(), !c.PieActive);
        EXPECT_EQ(f.Chart.View3D(), c.View3D);
        EXPECT_EQ(f.Chart.View3DOptions().Orthogonal, c.Orthogonal);
        EXPECT_EQ(f.Chart.AxisVisible(), c.Axes);
        EXPECT_EQ(f.Chart.ClipPoints(), c.Axes);
        EXPECT_EQ(f.Chart.View3DWalls(), c.Axes);
        EXPECT_EQ(f.Chart.FrameVisible(), c.Axes);
        EXPECT_EQ(f.Chart.BackWallSolid(), c.Axes);
        EXPECT_EQ(f.Chart.AllowZoom(), c.Axes);
        EXPECT_EQ(f.Chart.AllowPanning(), c.Axes ? TPanningMode::pmBoth : TPanningMode::pmNone);
        EXPECT_EQ(f.Chart.View3DOptions().Rotation, 360);
        EXPECT_EQ(f.Chart.View3DOptions().Elevation, 315);
        EXPECT_EQ(f.Chart.View3DOptions().Perspective, 0);
    }
}

TEST(ChartClicks, BarsAndLegendEntriesGiveTheKeyOfTheirPoint) {
    TFolderChart f;
    f.Select(TChartType::ctBar);
    for (int i = 0; i < 4; ++i)
        f.Bar->Add(1000.0 * (i + 1), "F" + std::to_string(i), clTeeColor, "K" + std::to_string(i));
    f.Chart.Legend().SetVisible(true);
    TRecordingCanvas canvas;
    f.Chart.Draw(canvas, 600, 400);
    for (int i = 0; i < 4; ++i) {
        TScreenRect r = f.Bar->BarRect(f.Chart.BottomAxis(), f.Chart.LeftAxis(), i);
        EXPECT_EQ(ChartPointKeyAt(f.Chart, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), "K" + std::to_string(i));
        const TChartLegend& legend = f.Chart.Legend();
        int y = legend.FirstRowTop() + i * legend.RowHeight() + legend.RowHeight() / 2;
        EXPECT_EQ(ChartPointKeyAt(f.Chart, (legend.TextLeft() + legend.TextRight()) / 2, y), "K" + std::to_string(i));
    }
    // The panel's corner, the footer's area: no point.
    EXPECT_EQ(ChartPointKeyAt(f.Chart, 1, 1), "");
    EXPECT_EQ(ChartPointKeyAt(f.Chart, 300, 398), "");
}

TEST(ChartClicks, PieSlicesGiveTheKeyOfTheirPoint) {
    TFolderChart f;
    f.Pie->Add(100, "A", clTeeColor, "C:\\A");  // 0 .. pi/2: upper right
    f.Pie->Add(100, "B", clTeeColor, "C:\\B");  // upper left
    f.Pie->Add(200, "C");                       // lower half: a point without a key
    TRecordingCanvas canvas;
    f.Chart.Draw(canvas, 400, 400);
    const auto& g = f.Pie->Geometry();
    int d = g.XRadius / 3;
    EXPECT_EQ(ChartPointKeyAt(f.Chart, g.XCenter + d, g.YCenter - d), "C:\\A");
    EXPECT_EQ(ChartPointKeyAt(f.Chart, g.XCenter - d, g.YCenter - d), "C:\\B");
    EXPECT_EQ(ChartPointKeyAt(f.Chart, g.XCenter, g.YCenter + d), "");
    EXPECT_EQ(ChartPointKeyAt(f.Chart, 0, 0), "");
}

}  // namespace
