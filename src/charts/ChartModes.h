#pragma once
// The chart types of the folder chart: four as combinations of the active series (pie at index 0,
// bar at index 1), the 3D view and the oblique projection, and the treemap, which the window draws in a
// panel of its own (the chart behind it keeps the flat pie). Portable.
#include <optional>
#include <string>

class TChart;

enum class TChartType { ctPie, ctPie3D, ctBar, ctBar3D, ctTreemap };

// Flat view, no oblique projection, the bar series then the pie deactivated (which switches the
// chart to the settings of the bar types, as deactivating the pie always does).
void ResetChartType(TChart& chart);

// After ResetChartType: activates the type's series, and for the 3D types the 3D view, for the 3D
// bars also the oblique projection; for the treemap the pie.
void ApplyChartType(TChart& chart, TChartType type);

// The type the chart shows, judged by the active series and the 3D view; none without an active series.
// Never the treemap, which the chart does not draw.
std::optional<TChartType> CurrentChartType(const TChart& chart);

// The type after `type` in the cycle 2D pie, 3D pie, 2D bar, 3D bar, treemap, 2D pie.
TChartType NextChartType(TChartType type);

// The key of the point a press at (x, y) stands for (its slice or bar, or its legend entry); empty
// elsewhere and for points without a key.
std::string ChartPointKeyAt(const TChart& chart, int x, int y);
