#pragma once
// An axis of the chart: its value range (automatic or zoomed), the mapping between values and
// pixels, the label increment and the label texts. Portable.
#include <string>
#include <vector>

#include "chart/ChartCanvas.h"

class TChart;

struct TAxisLabel {
    double Value = 0;
    int Position = 0;     // pixel along the axis
    int ValueIndex = -1;  // the point a category label belongs to, -1 on the value axis
    std::string Text;
};

class TChartAxis {
public:
    explicit TChartAxis(bool horizontal) : FHorizontal(horizontal) {}

    bool Horizontal() const { return FHorizontal; }

    // Label layout: every space starts a new line; the angle of the labels in degrees (0 or 90).
    bool LabelsMultiLine = false;
    int LabelsAngle = 0;
    int TickLength = 4;
    int LabelsSeparation = 10;  // percent of a label's size kept free between labels
    // The value of one unit of what the labels show (1024 when they show kilobytes of byte values):
    // label steps are then whole units, 1, 2, 5 times a power of ten of them. 0: any step.
    double LabelUnit = 0;
    TChartFont LabelsFont{"Verdana", 10, false, clBlack};

    // Range. Automatic ranges are set by the chart from the series before each drawing; zooming
    // and scrolling fix them until the automatic view is restored.
    bool Automatic() const { return FAutomatic; }
    double Minimum() const { return FMinimum; }
    double Maximum() const { return FMaximum; }
    void SetAutomaticRange(double minimum, double maximum);
    void SetMinMax(double minimum, double maximum);
    void RestoreAutomatic() { FAutomatic = true; }
    // Moves a fixed range by `delta` in values (scrolling).
    void Scroll(double delta);

    // Pixel extent: start (left or bottom) to end (right or top).
    void SetPixelRange(int start, int end);
    int StartPos() const { return FStartPos; }
    int EndPos() const { return FEndPos; }
    int Length() const { return FEndPos > FStartPos ? FEndPos - FStartPos : FStartPos - FEndPos; }
    int CalcPosValue(double value) const;
    double CalcPosPoint(int pixel) const;

    // The label increment for labels of `labelSize` pixels (height on a vertical axis, width on a
    // horizontal one): the smallest 1-2-5 step (in LabelUnit when set) such that the labels fit the
    // axis, and greater than `above`.
    double CalcIncrement(int labelSize, double above = 0) const;
    // The multiples of `increment` within the range, at most `limit` of them.
    std::vector<double> LabelValues(double increment, size_t limit = 10000) const;

    // Set by the chart's layout: the labels to draw and the axis line's position across the axis.
    std::vector<TAxisLabel> Labels;
    int Position = 0;
    // The rectangle the labels take (for the hit test).
    TScreenRect LabelsRect;

private:
    bool FHorizontal;
    bool FAutomatic = true;
    double FMinimum = 0;
    double FMaximum = 1;
    int FStartPos = 0;
    int FEndPos = 1;
};
