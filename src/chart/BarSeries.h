#pragma once
// Bar series: one vertical bar per point, flat with a white-to-colour gradient or as 3D blocks,
// standing on the zero line of the value axis. Portable.
#include <vector>

#include "chart/ChartSeries.h"

class TChartAxis;

enum class TBarStyle { bsRectangle, bsRectGradient };

class TCustomBarSeries : public TChartSeries {
public:
    TBarStyle BarStyle = TBarStyle::bsRectGradient;
    int BarWidthPercent = 80;
    bool Dark3D = true;
    bool UseYOrigin = true;
    double YOrigin = 0;

    bool UsesAxes() const override { return true; }

    // Space per bar for `count` bars on an axis of `axisLength` pixels, and the bar width:
    // round(BarWidthPercent % of the space), made even.
    static int SpacePerBar(int axisLength, int count);
    int BarWidth(int axisLength) const;

    // The automatic ranges: category axis (point indexes with a margin of one bar width at each
    // end of an axis of `axisLength` pixels) and value axis (the origin always inside).
    void CalcHorizRange(int axisLength, double& minimum, double& maximum) const;
    void CalcVertRange(double& minimum, double& maximum) const;

    // The rectangle of bar `index` on the chart's current axes (right and bottom inclusive).
    TScreenRect BarRect(const TChartAxis& horizontal, const TChartAxis& vertical, int index) const;

    void DrawValues(TChart& chart, TChartCanvas3D& canvas, double z0, double z1) override;
    int Clicked(const TChart& chart, int x, int y) const override;

private:
    // Whether a bar drawn after bar `index` paints over all of it.
    bool HiddenByLater(const std::vector<TScreenRect>& rects, int index) const;
    void DrawGradient(TChartCanvas& canvas, const TScreenRect& rect, TColor color) const;
};

class TBarSeries : public TCustomBarSeries {};
