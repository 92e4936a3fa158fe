#pragma once
// The chart's legend on the right side: one row per point of the active series (as many as fit),
// each with a colour box and the entry text. Portable.
#include <string>
#include <vector>

#include "chart/ChartCanvas.h"

class TChart;
class TChartSeries;

class TChartLegend {
public:
    explicit TChartLegend(TChart& owner) : FOwner(owner) {}

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    TChartFont Font{"Verdana", 9, false, clBlack};
    int ShadowSize = 1;
    int FrameWidth = 1;
    int TopPercent = 10;         // top edge, in percent of the panel height
    int ColorWidthPercent = 10;  // colour box width, in percent of the widest text plus 10

    // Lays out the entries of `series` (may be null) at the right of `inner`; `chartBottom` is
    // the bottom of the chart area. Calls the chart's legend-text event once per shown entry.
    void CalcLayout(TChartCanvas& canvas, const TScreenRect& inner, int panelHeight, int chartBottom,
                    const TChartSeries* series);
    void Draw(TChartCanvas& canvas) const;
    // The point index of the entry row under (x, y), or -1.
    int Clicked(int x, int y) const;

    // Results of the last layout. An empty rectangle when nothing is shown.
    const TScreenRect& Rect() const { return FRect; }
    int RowHeight() const { return FRowHeight; }
    int RowCount() const { return static_cast<int>(FTexts.size()); }
    const std::vector<std::string>& Texts() const { return FTexts; }
    int BoxLeft() const { return FBoxLeft; }
    int BoxRight() const { return FBoxRight; }
    int TextLeft() const { return FTextLeft; }
    int TextRight() const { return FTextRight; }
    int FirstRowTop() const { return FRowsTop; }

private:
    TChart& FOwner;
    bool FVisible = false;
    TScreenRect FRect;
    int FRowHeight = 0;
    int FRowsTop = 0;
    int FBoxLeft = 0, FBoxRight = 0, FTextLeft = 0, FTextRight = 0;
    std::vector<std::string> FTexts;
    std::vector<TColor> FColors;
};
