#pragma once
// TChart: the charting component's panel logic, independent of any window. It owns the series,
// axes, footer, title, legend and 3D view options; lays them out for a client size; draws onto a
// TChartCanvas; answers hit tests; and runs the mouse zoom and scroll of the bar types. The
// chart panel control (ChartPanel_win) forwards painting and mouse events here. Portable.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/Chart3D.h"
#include "chart/ChartAxis.h"
#include "chart/ChartCanvas.h"
#include "chart/ChartLegend.h"
#include "chart/ChartSeries.h"
#include "platform/ShiftState.h"

class TChart;

class TChartTitle {
public:
    TChartTitle(TChart& owner, bool visible, TChartFont font) : Font(font), FOwner(owner), FVisible(visible) {}

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    // The lines of the text, replaced as a whole.
    const std::vector<std::string>& Text() const { return FText; }
    void SetText(std::vector<std::string> lines);

    TChartFont Font;
    // Where the last layout put the text (empty when hidden).
    TScreenRect Rect;

private:
    TChart& FOwner;
    bool FVisible;
    std::vector<std::string> FText;
};


enum class TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };

enum class TChartClickedPartStyle { cpNone, cpLegend, cpAxis, cpSeries, cpTitle, cpFoot, cpChartRect };

struct TChartClickedPart {
    TChartClickedPartStyle Part = TChartClickedPartStyle::cpNone;
    int PointIndex = -1;  // the point of a series or the entry of the legend, else -1
    TChartSeries* ASeries = nullptr;
    const TChartAxis* AAxis = nullptr;
};

class TChart {
public:
    TChart();
    ~TChart();
    TChart(const TChart&) = delete;
    TChart& operator=(const TChart&) = delete;

    // Series, in drawing order. The chart owns them; the reference stays valid for its life.
    TChartSeries& AddSeries(std::unique_ptr<TChartSeries> series);
    int SeriesCount() const { return static_cast<int>(FSeries.size()); }
    // Raises Exception for an index out of range.
    TChartSeries& Series(int index) const;

    // The look, as configured for the program.
    TColor Color = RgbColor(255, 255, 236);  // panel colour
    bool GradientVisible = true;
    TColor GradientStartColor = RgbColor(225, 255, 255);                   // bottom
    TColor GradientEndColor = RgbColor(216, 255, 202);                     // top
    int MarginLeft = 3, MarginTop = 3, MarginRight = 3, MarginBottom = 3;  // percent
    TColor BackWallColor = clWhite;
    TColor LeftWallColor = RgbColor(255, 255, 128);
    TColor BottomWallColor = clWhite;
    int BackWallSize = 0;  // thickness of the back wall in pixels
    TColor GridColor = clGray;

    // Settings the program switches (see SwitchRoundSeriesSettings).
    bool View3D() const { return FView3D; }
    void SetView3D(bool value);
    int Chart3DPercent() const { return FChart3DPercent; }
    void SetChart3DPercent(int value);
    const TView3DOptions& View3DOptions() const { return FView3DOptions; }
    void SetView3DOptions(const TView3DOptions& value);
    void SetOrthogonal(bool value);
    bool AxisVisible() const { return FAxisVisible; }
    void SetAxisVisible(bool value);
    bool ClipPoints() const { return FClipPoints; }
    void SetClipPoints(bool value);
    bool View3DWalls() const { return FView3DWalls; }
    void SetView3DWalls(bool value);
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool value);
    // Back wall brush: solid (true) or clear.
    bool BackWallSolid() const { return FBackWallSolid; }
    void SetBackWallSolid(bool value);
    bool AllowZoom() const { return FAllowZoom; }
    void SetAllowZoom(bool value);
    TPanningMode AllowPanning() const { return FAllowPanning; }
    void SetAllowPanning(TPanningMode value);

    // The settings a round series needs off (enable false) or on (enable true); in both cases
    // the 3D view becomes rotated at 45 degrees from above without perspective.
    void SwitchRoundSeriesSettings(bool enable);

    TChartTitle& Title() { return FTitle; }
    TChartTitle& Foot() { return FFoot; }
    TChartLegend& Legend() { return FLegend; }
    const TChartLegend& Legend() const { return FLegend; }
    TChartAxis& LeftAxis() { return FLeftAxis; }
    TChartAxis& BottomAxis() { return FBottomAxis; }
    const TChartAxis& LeftAxis() const { return FLeftAxis; }
    const TChartAxis& BottomAxis() const { return FBottomAxis; }

    // Events. Text events may replace the text.
    std::function<void(TChart& sender, int index, std::string& legendText)> OnGetLegendText;
    std::function<void(TChart& sender, const TChartAxis& axis, TChartSeries* series, int valueIndex,
                       std::string& labelText)>
        OnGetAxisLabel;
    std::function<void(TChart& sender, TChartSeries& series, int valueIndex, TMouseButton button, TShiftState shift,
                       int x, int y)>
        OnClickSeries;
    std::function<void(TChart& sender, TMouseButton button, TShiftState shift, int x, int y)> OnClickLegend;
    // Raised when anything drawn has changed; the window repaints.
    std::function<void(TChart& sender)> OnChange;

    // Lays out and draws the whole panel of width x height pixels at (0, 0) of `canvas`.
    void Draw(TChartCanvas& canvas, int width, int height);
    // The layout step of Draw alone.
    void CalcLayout(TChartCanvas& canvas, int width, int height);

    // Results of the last layout.
    const TScreenRect& ChartRect() const { return FChartRect; }  // the plotting rectangle
    const TScreenRect& InnerRect() const { return FInnerRect; }  // client less the margins
    int SeriesWidth3D() const { return FSeriesDepth; }           // depth of one series (0 when flat)
    const TChartProjection& Projection() const { return FProjection; }
    double LastPixelAspect() const { return FPixelAspect; }
    // The depths a series is drawn between (0, 0 when it is not active or the view is flat).
    void SeriesDepth(const TChartSeries& series, double& z0, double& z1) const;
    // The first active series that draws with axes, the one the legend lists, or null.
    TChartSeries* LegendSeries() const;

    // Hit test in the order: active series from last to first, axes, title, footer, plotting
    // rectangle (if any series exists), legend.
    TChartClickedPart CalcClickedPart(int x, int y) const;

    // Mouse handling, positions relative to the panel.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(int x, int y);
    void MouseUp(TMouseButton button, int x, int y);
    bool Zooming() const { return FZooming; }
    bool Panning() const { return FPanning; }
    // Restores the full, automatic view of both axes.
    void UndoZoom();
    bool Zoomed() const { return !FLeftAxis.Automatic() || !FBottomAxis.Automatic(); }

    // Asks the window to repaint.
    void Changed();
    // Runs the legend-text event (used by the legend's layout).
    void DoGetLegendText(int index, std::string& text);

private:
    void CalcAxes(TChartCanvas& canvas, TScreenRect& plot);
    void CalcAxisLabels(TChartCanvas& canvas, TChartSeries* barSeries);
    std::string AxisLabelText(const TChartAxis& axis, TChartSeries* series, int index, double value);
    void DrawBackground(TChartCanvas& canvas, int width, int height);
    void DrawWalls(TChartCanvas3D& canvas);
    void DrawAxes(TChartCanvas3D& canvas);
    void DrawTitle(TChartCanvas& canvas, const TChartTitle& title);
    bool HasAxes() const;
    bool AxisClicked(const TChartAxis& axis, int x, int y) const;

    std::vector<std::unique_ptr<TChartSeries>> FSeries;
    bool FView3D = false;
    int FChart3DPercent = 20;
    TView3DOptions FView3DOptions;
    bool FAxisVisible = true;
    bool FClipPoints = true;
    bool FView3DWalls = true;
    bool FFrameVisible = true;
    bool FBackWallSolid = true;
    bool FAllowZoom = true;
    TPanningMode FAllowPanning = TPanningMode::pmBoth;
    bool FDestroying = false;

    TChartTitle FTitle;
    TChartTitle FFoot;
    TChartLegend FLegend;
    TChartAxis FLeftAxis{false};
    TChartAxis FBottomAxis{true};

    TScreenRect FClientRect;
    TScreenRect FInnerRect;
    TScreenRect FChartRect;
    int FSeriesDepth = 0;
    int FTotalDepth = 0;
    TChartProjection FProjection;
    double FPixelAspect = 1;

    bool FZooming = false;
    bool FPanning = false;
    TScreenPoint FMouseStart;
    TScreenPoint FMouseLast;
};
