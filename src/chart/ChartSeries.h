#pragma once
// The base of the chart's series: a list of points (label, value, colour) with the operations the
// chart builder uses, the active flag and the legend text of each point. Portable.
#include <string>
#include <string_view>
#include <vector>

#include "chart/ChartCanvas.h"

class TChart;
class TChartCanvas3D;

struct TSeriesPoint {
    std::string Label;
    double Value = 0;
    TColor Color = clTeeColor;  // clTeeColor: the palette colour of the point's index
    std::string Key;            // what the point stands for, as its maker names it; empty for nothing
};

class TChartSeries {
public:
    TChartSeries() = default;
    virtual ~TChartSeries() = default;
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;

    // The chart that draws the series; set when the chart takes it.
    TChart* ParentChart() const { return FParentChart; }

    bool Active() const { return FActive; }
    virtual void SetActive(bool value);

    // Point operations. Indexes out of range are ignored by SetValue and give an empty label and key,
    // value 0 and clNone colour.
    virtual void Clear();
    // Adds a point at the end and returns its index. The key stays with the point whatever else
    // changes order, so a click on it can be traced back to what it stands for.
    int Add(double value, std::string_view label = {}, TColor color = clTeeColor, std::string_view key = {});
    int Count() const { return static_cast<int>(FPoints.size()); }
    std::string Label(int index) const;
    std::string Key(int index) const;
    double Value(int index) const;
    void SetValue(int index, double value);
    // The colour a point is drawn in: its own, or the palette colour of its index.
    TColor ValueColor(int index) const;
    const std::vector<TSeriesPoint>& Points() const { return FPoints; }

    // The legend entry of a point: label, a space, the value as "#,##0.###"; line separators in the
    // label become spaces.
    std::string LegendText(int index) const;

    // Whether the chart draws axes for this series (bars do, pies do not).
    virtual bool UsesAxes() const = 0;
    // Draws every point between depths z0 (front) and z1 (back) inside the chart's plotting rectangle.
    virtual void DrawValues(TChart& chart, TChartCanvas3D& canvas, double z0, double z1) = 0;
    // The index of the point under the chart-relative position, or -1. Uses the chart's last layout.
    virtual int Clicked(const TChart& chart, int x, int y) const = 0;

protected:
    // Tells the chart that something it draws has changed.
    void Changed();

private:
    friend class TChart;
    TChart* FParentChart = nullptr;
    bool FActive = true;
    std::vector<TSeriesPoint> FPoints;
};
