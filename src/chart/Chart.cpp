#include "chart/Chart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "chart/BarSeries.h"
#include "chart/ChartUtils.h"
#include "platform/Exception.h"

namespace {

// Splits a multi-line axis label at its spaces.
std::vector<std::string> SplitLines(const std::string& text, bool multiLine) {
    std::vector<std::string> lines;
    if (!multiLine) {
        lines.push_back(text);
        return lines;
    }
    size_t start = 0;
    for (;;) {
        size_t space = text.find(' ', start);
        lines.push_back(text.substr(start, space == std::string::npos ? std::string::npos : space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return lines;
}

constexpr int kLegendGap = 8;  // between the plotting rectangle and the legend
constexpr int kFootGap = 4;    // between the chart area and the footer
constexpr int kAxisHitSlack = 3;

}  // namespace

void TChartTitle::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    FOwner.Changed();
}

void TChartTitle::SetText(std::vector<std::string> lines) {
    FText = std::move(lines);
    FOwner.Changed();
}

TChart::TChart()
    : FTitle(*this, false, {"Verdana", 13, true, clBlue}),
      FFoot(*this, true, {"Verdana", 13, true, clNavy}),
      FLegend(*this) {
    FTitle.SetText({" Folder:"});
    FFoot.SetText({"Total Size"});
    FLeftAxis.LabelsMultiLine = true;
    FBottomAxis.LabelsAngle = 90;
}

TChart::~TChart() {
    FDestroying = true;
}

TChartSeries& TChart::AddSeries(std::unique_ptr<TChartSeries> series) {
    series->FParentChart = this;
    FSeries.push_back(std::move(series));
    Changed();
    return *FSeries.back();
}

TChartSeries& TChart::Series(int index) const {
    if (index < 0 || index >= SeriesCount())
        throw Exception("Series index out of bounds (" + std::to_string(index) + ")");
    return *FSeries[static_cast<size_t>(index)];
}

void TChart::Changed() {
    if (OnChange && !FDestroying) OnChange(*this);
}

void TChart::DoGetLegendText(int index, std::string& text) {
    if (OnGetLegendText) OnGetLegendText(*this, index, text);
}

#define VS_CHART_SETTER(Name, Field, Type) \
    void TChart::Set##Name(Type value) {   \
        if (Field == value) return;        \
        Field = value;                     \
        Changed();                         \
    }
VS_CHART_SETTER(View3D, FView3D, bool)
VS_CHART_SETTER(Chart3DPercent, FChart3DPercent, int)
VS_CHART_SETTER(AxisVisible, FAxisVisible, bool)
VS_CHART_SETTER(ClipPoints, FClipPoints, bool)
VS_CHART_SETTER(View3DWalls, FView3DWalls, bool)
VS_CHART_SETTER(FrameVisible, FFrameVisible, bool)
VS_CHART_SETTER(BackWallSolid, FBackWallSolid, bool)
VS_CHART_SETTER(AllowZoom, FAllowZoom, bool)
VS_CHART_SETTER(AllowPanning, FAllowPanning, TPanningMode)
#undef VS_CHART_SETTER

void TChart::SetView3DOptions(const TView3DOptions& value) {
    if (FView3DOptions == value) return;
    FView3DOptions = value;
    Changed();
}

void TChart::SetOrthogonal(bool value) {
    TView3DOptions options = FView3DOptions;
    options.Orthogonal = value;
    SetView3DOptions(options);
}

void TChart::SwitchRoundSeriesSettings(bool enable) {
    if (FDestroying) return;
    FAxisVisible = enable;
    FClipPoints = enable;
    FView3DWalls = enable;
    FFrameVisible = enable;
    FBackWallSolid = enable;
    FAllowZoom = enable;
    FAllowPanning = enable ? TPanningMode::pmBoth : TPanningMode::pmNone;
    FView3DOptions.Orthogonal = false;
    FView3DOptions.Rotation = 360;
    FView3DOptions.Elevation = 315;
    FView3DOptions.Perspective = 0;
    FView3DOptions.Tilt = 0;
    Changed();
}

TChartSeries* TChart::LegendSeries() const {
    for (const auto& s : FSeries)
        if (s->Active()) return s.get();
    return nullptr;
}

bool TChart::HasAxes() const {
    if (!FAxisVisible) return false;
    for (const auto& s : FSeries)
        if (s->Active() && s->UsesAxes()) return true;
    return false;
}

void TChart::SeriesDepth(const TChartSeries& series, double& z0, double& z1) const {
    z0 = z1 = 0;
    if (!FView3D) return;
    int k = 0;
    for (const auto& s : FSeries) {
        if (!s->Active()) continue;
        if (s.get() == &series) {
            z0 = static_cast<double>(k) * FSeriesDepth;
            z1 = z0 + FSeriesDepth;
            return;
        }
        ++k;
    }
}

void TChart::CalcLayout(TChartCanvas& canvas, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    FClientRect = {0, 0, width, height};
    FPixelAspect = canvas.PixelAspect();
    FInnerRect = {MulDivRound(width, MarginLeft, 100), MulDivRound(height, MarginTop, 100),
                  width - MulDivRound(width, MarginRight, 100), height - MulDivRound(height, MarginBottom, 100)};
    TScreenRect area = FInnerRect;

    FTitle.Rect = {};
    if (FTitle.Visible() && !FTitle.Text().empty()) {
        canvas.SetFont(FTitle.Font);
        int h = canvas.TextHeight("W") * static_cast<int>(FTitle.Text().size());
        FTitle.Rect = {area.Left, area.Top, area.Right, area.Top + h};
        area.Top += h + kFootGap;
    }
    FFoot.Rect = {};
    if (FFoot.Visible() && !FFoot.Text().empty()) {
        canvas.SetFont(FFoot.Font);
        int h = canvas.TextHeight("W") * static_cast<int>(FFoot.Text().size());
        FFoot.Rect = {area.Left, area.Bottom - h, area.Right, area.Bottom};
        area.Bottom -= h + kFootGap;
    }

    TScreenRect plot = area;
    FLegend.CalcLayout(canvas, FInnerRect, height, area.Bottom, LegendSeries());
    if (!FLegend.Rect().IsEmpty()) plot.Right = FLegend.Rect().Left - kLegendGap;

    FSeriesDepth = FTotalDepth = 0;
    if (FView3D) {
        int active = 0;
        for (const auto& s : FSeries) active += s->Active() ? 1 : 0;
        FSeriesDepth = std::max(0, RoundToInt(plot.Width() * FChart3DPercent / 1000.0));
        if (!FView3DOptions.Orthogonal) FSeriesDepth *= 2;
        FTotalDepth = FSeriesDepth * std::max(active, 1);
        if (FView3DOptions.Orthogonal) {
            int shift = FTotalDepth + (FView3DWalls ? BackWallSize : 0);
            plot.Right -= shift;
            plot.Top += shift;
        }
    }
    FLeftAxis.Labels.clear();
    FBottomAxis.Labels.clear();
    FLeftAxis.LabelsRect = FBottomAxis.LabelsRect = {};
    if (HasAxes() && !plot.IsEmpty()) CalcAxes(canvas, plot);
    FChartRect = plot.IsEmpty() ? TScreenRect{plot.Left, plot.Top, plot.Left, plot.Top} : plot;
    FProjection = TChartProjection(FView3D, FView3DOptions, FChartRect, FTotalDepth);
}

std::string TChart::AxisLabelText(const TChartAxis& axis, TChartSeries* series, int index, double value) {
    std::string text = series && index >= 0 ? series->Label(index) : FormatChartValue(value);
    if (OnGetAxisLabel) OnGetAxisLabel(*this, axis, series, index, text);
    return text;
}

void TChart::CalcAxes(TChartCanvas& canvas, TScreenRect& plot) {
    TCustomBarSeries* bars = nullptr;
    for (const auto& s : FSeries)
        if (s->Active() && s->UsesAxes()) {
            bars = dynamic_cast<TCustomBarSeries*>(s.get());
            if (bars) break;
        }
    double vmin = 0, vmax = 1;
    if (bars) bars->CalcVertRange(vmin, vmax);
    FLeftAxis.SetAutomaticRange(vmin, vmax);

    // Room for the rotated category labels below the plotting rectangle.
    FBottomAxis.SetPixelRange(plot.Left, plot.Right);
    CalcAxisLabels(canvas, bars);
    canvas.SetFont(FBottomAxis.LabelsFont);
    int widest = 0;
    for (const auto& l : FBottomAxis.Labels) widest = std::max(widest, canvas.TextWidth(l.Text));
    int bottomRoom = FBottomAxis.TickLength + 2 + std::min(widest, std::max(0, plot.Height() / 3));
    plot.Bottom -= bottomRoom;
    if (plot.IsEmpty()) return;

    // Room for the value labels left of it.
    FLeftAxis.SetPixelRange(plot.Bottom, plot.Top);
    CalcAxisLabels(canvas, bars);
    canvas.SetFont(FLeftAxis.LabelsFont);
    widest = 0;
    int lines = 1;
    for (const auto& l : FLeftAxis.Labels) {
        auto split = SplitLines(l.Text, FLeftAxis.LabelsMultiLine);
        lines = std::max(lines, static_cast<int>(split.size()));
        for (const auto& line : split) widest = std::max(widest, canvas.TextWidth(line));
    }
    // A value label is centred on its tick, so the labels at the ends reach half a label beyond the
    // plotting rectangle: it keeps that much room to the panel's edges, and the labels' clip covers it.
    const int labelHeight = canvas.TextHeight("W") * lines, above = labelHeight / 2, below = labelHeight - above;
    plot.Top = std::max(plot.Top, FClientRect.Top + above);
    plot.Bottom = std::min(plot.Bottom, FClientRect.Bottom - below);
    if (plot.IsEmpty()) return;
    FLeftAxis.SetPixelRange(plot.Bottom, plot.Top);
    // The widest label, up to half the width: sizes of terabytes still fit a narrow pane.
    int leftRoom = FLeftAxis.TickLength + 2 + std::min(widest, std::max(0, plot.Width() / 2));
    plot.Left += leftRoom;
    if (plot.IsEmpty()) return;

    FBottomAxis.SetPixelRange(plot.Left, plot.Right);
    CalcAxisLabels(canvas, bars);
    FLeftAxis.Position = plot.Left;
    FBottomAxis.Position = plot.Bottom;
    FLeftAxis.LabelsRect = {plot.Left - leftRoom, std::max(FClientRect.Top, plot.Top - above), plot.Left,
                            std::min(FClientRect.Bottom, plot.Bottom + below + 1)};
    FBottomAxis.LabelsRect = {plot.Left - leftRoom, plot.Bottom, plot.Right + 1, plot.Bottom + bottomRoom};
}

void TChart::CalcAxisLabels(TChartCanvas& canvas, TChartSeries* barSeries) {
    auto* bars = dynamic_cast<TCustomBarSeries*>(barSeries);
    // Category axis: the range follows the current pixel length.
    double hmin = -0.5, hmax = 0.5;
    if (bars) bars->CalcHorizRange(FBottomAxis.Length(), hmin, hmax);
    FBottomAxis.SetAutomaticRange(hmin, hmax);
    FBottomAxis.Labels.clear();
    canvas.SetFont(FBottomAxis.LabelsFont);
    int textHeight = std::max(1, canvas.TextHeight("W"));
    if (bars && bars->Count() > 0) {
        // Labels that would overlap are left out: every stride-th bar is labelled.
        int n = bars->Count();
        int fit = std::max(1, FBottomAxis.Length() / (textHeight + 2));
        double first = std::max(0.0, std::ceil(FBottomAxis.Minimum()));
        double last = std::min<double>(n - 1, std::floor(FBottomAxis.Maximum()));
        int visible = last >= first ? static_cast<int>(last - first) + 1 : 0;
        int stride = std::max(1, (visible + fit - 1) / fit);
        // Both ends lie within the point indexes whenever anything is visible.
        if (visible > 0)
            for (int i = static_cast<int>(first), end = static_cast<int>(last); i <= end; i += stride)
                FBottomAxis.Labels.push_back(
                    {static_cast<double>(i), FBottomAxis.CalcPosValue(i), i, AxisLabelText(FBottomAxis, bars, i, i)});
    }
    // Value axis: the label size is the taller of the labels of the range's ends.
    FLeftAxis.Labels.clear();
    canvas.SetFont(FLeftAxis.LabelsFont);
    int size = 0;
    for (double v : {FLeftAxis.Minimum(), FLeftAxis.Maximum()}) {
        std::string text = AxisLabelText(FLeftAxis, nullptr, -1, v);
        int lines = static_cast<int>(SplitLines(text, FLeftAxis.LabelsMultiLine).size());
        size = std::max(size, canvas.TextHeight(text) * lines);
    }
    // Labels that read the same (steps below what the label texts show) say nothing: the step grows
    // until every label differs.
    double increment = FLeftAxis.CalcIncrement(size);
    for (;;) {
        std::set<std::string> texts;
        bool distinct = true;
        for (double v : FLeftAxis.LabelValues(increment, 1000)) {
            FLeftAxis.Labels.push_back({v, FLeftAxis.CalcPosValue(v), -1, AxisLabelText(FLeftAxis, nullptr, -1, v)});
            distinct = distinct && texts.insert(FLeftAxis.Labels.back().Text).second;
        }
        const double next = distinct ? increment : FLeftAxis.CalcIncrement(size, increment);
        if (!(next > increment) || !std::isfinite(next)) break;
        increment = next;
        FLeftAxis.Labels.clear();
    }
}

void TChart::Draw(TChartCanvas& canvas, int width, int height) {
    CalcLayout(canvas, width, height);
    if (FClientRect.IsEmpty()) return;
    DrawBackground(canvas, width, height);
    TChartCanvas3D c3(canvas, FProjection);
    if (!FChartRect.IsEmpty()) {
        DrawWalls(c3);
        if (HasAxes()) DrawAxes(c3);
        for (const auto& s : FSeries) {
            if (!s->Active()) continue;
            double z0, z1;
            SeriesDepth(*s, z0, z1);
            if (FClipPoints) {
                TScreenRect clip{FChartRect.Left, FChartRect.Top, FChartRect.Right + 1, FChartRect.Bottom + 1};
                if (FView3D && FView3DOptions.Orthogonal) {
                    clip.Right += FTotalDepth;
                    clip.Top -= FTotalDepth;
                }
                canvas.SetClip(clip);
            }
            s->DrawValues(*this, c3, z0, z1);
            if (FClipPoints) canvas.ClearClip();
        }
    }
    DrawTitle(canvas, FTitle);
    DrawTitle(canvas, FFoot);
    FLegend.Draw(canvas);
    if (FZooming) {
        canvas.SetPen(clBlack, 1, TPenStyle::psDot);
        canvas.SetBrush(clWhite, true);
        canvas.Rectangle({std::min(FMouseStart.X, FMouseLast.X), std::min(FMouseStart.Y, FMouseLast.Y),
                          std::max(FMouseStart.X, FMouseLast.X) + 1, std::max(FMouseStart.Y, FMouseLast.Y) + 1});
    }
}

void TChart::DrawBackground(TChartCanvas& canvas, int width, int height) {
    if (!GradientVisible) {
        canvas.FillRect(FClientRect, Color);
        return;
    }
    // Start colour at the bottom, end colour at the top.
    int bands = std::min(height, 256);
    for (int k = 0; k < bands; ++k) {
        int y0 = static_cast<int>(static_cast<long long>(k) * height / bands);
        int y1 = static_cast<int>(static_cast<long long>(k + 1) * height / bands);
        double t = bands > 1 ? static_cast<double>(k) / (bands - 1) : 0;
        canvas.FillRect({0, y0, width, y1}, BlendColor(GradientEndColor, GradientStartColor, t));
    }
}

void TChart::DrawWalls(TChartCanvas3D& c3) {
    TChartCanvas& canvas = c3.Canvas();
    const TScreenRect& r = FChartRect;
    canvas.SetPen(clBlack, 1, FFrameVisible ? TPenStyle::psSolid : TPenStyle::psClear);
    if (!FView3D) {
        if (FBackWallSolid) canvas.FillRect({r.Left, r.Top, r.Right + 1, r.Bottom + 1}, BackWallColor);
        if (FFrameVisible) {
            canvas.SetBrush(clWhite, true);
            canvas.Rectangle({r.Left, r.Top, r.Right + 1, r.Bottom + 1});
        }
        return;
    }
    const double d = FTotalDepth;
    const double l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    if (FBackWallSolid || FFrameVisible) {
        canvas.SetBrush(BackWallColor, !FBackWallSolid);
        c3.Polygon3D({{l, t, d}, {rt, t, d}, {rt, b, d}, {l, b, d}});
    }
    if (FView3DWalls) {
        canvas.SetBrush(LeftWallColor, false);
        c3.Polygon3D({{l, t, 0}, {l, t, d}, {l, b, d}, {l, b, 0}});
        canvas.SetBrush(BottomWallColor, false);
        c3.Polygon3D({{l, b, 0}, {rt, b, 0}, {rt, b, d}, {l, b, d}});
    }
}

void TChart::DrawAxes(TChartCanvas3D& c3) {
    TChartCanvas& canvas = c3.Canvas();
    const TScreenRect& r = FChartRect;
    const double d = FTotalDepth;
    // Dotted grid lines at the labels, on the back wall (and across the walls in 3D).
    canvas.SetPen(GridColor, 1, TPenStyle::psDot);
    for (const auto& l : FLeftAxis.Labels) {
        if (l.Position < r.Top || l.Position > r.Bottom) continue;
        c3.Line3D({double(r.Left), double(l.Position), d}, {double(r.Right), double(l.Position), d});
        if (FView3D && d > 0)
            c3.Line3D({double(r.Left), double(l.Position), 0}, {double(r.Left), double(l.Position), d});
    }
    for (const auto& l : FBottomAxis.Labels) {
        if (l.Position < r.Left || l.Position > r.Right) continue;
        c3.Line3D({double(l.Position), double(r.Top), d}, {double(l.Position), double(r.Bottom), d});
        if (FView3D && d > 0)
            c3.Line3D({double(l.Position), double(r.Bottom), 0}, {double(l.Position), double(r.Bottom), d});
    }
    // Axis lines and ticks at the front.
    canvas.SetPen(clBlack, 1, TPenStyle::psSolid);
    canvas.Line({r.Left, r.Top}, {r.Left, r.Bottom});
    canvas.Line({r.Left, r.Bottom}, {r.Right, r.Bottom});
    canvas.SetFont(FLeftAxis.LabelsFont);
    const int lineHeight = canvas.TextHeight("W");
    canvas.SetClip(FLeftAxis.LabelsRect);
    for (const auto& l : FLeftAxis.Labels) {
        if (l.Position < r.Top || l.Position > r.Bottom) continue;
        canvas.Line({r.Left - FLeftAxis.TickLength, l.Position}, {r.Left, l.Position});
        auto lines = SplitLines(l.Text, FLeftAxis.LabelsMultiLine);
        int y = l.Position - lineHeight * static_cast<int>(lines.size()) / 2;
        for (const auto& line : lines) {
            canvas.PaintText(r.Left - FLeftAxis.TickLength - 2 - canvas.TextWidth(line), y, line, 0);
            y += lineHeight;
        }
    }
    canvas.ClearClip();
    canvas.SetFont(FBottomAxis.LabelsFont);
    canvas.SetClip(FBottomAxis.LabelsRect);
    for (const auto& l : FBottomAxis.Labels) {
        if (l.Position < r.Left || l.Position > r.Right) continue;
        canvas.Line({l.Position, r.Bottom}, {l.Position, r.Bottom + FBottomAxis.TickLength});
        TScreenSize size = canvas.TextExtent(l.Text);
        // Rotated by 90 degrees: the text reads upwards and ends just below the tick.
        canvas.PaintText(l.Position - size.Height / 2, r.Bottom + FBottomAxis.TickLength + 2 + size.Width, l.Text, 90);
    }
    canvas.ClearClip();
}

void TChart::DrawTitle(TChartCanvas& canvas, const TChartTitle& title) {
    if (title.Rect.IsEmpty()) return;
    canvas.SetFont(title.Font);
    canvas.SetClip(title.Rect);
    int y = title.Rect.Top;
    for (const auto& line : title.Text()) {
        TScreenSize size = canvas.TextExtent(line);
        canvas.PaintText((title.Rect.Left + title.Rect.Right - size.Width) / 2, y, line, 0);
        y += size.Height;
    }
    canvas.ClearClip();
}

bool TChart::AxisClicked(const TChartAxis& axis, int x, int y) const {
    const TScreenRect& r = FChartRect;
    if (axis.Horizontal()) return x >= r.Left && x <= r.Right && std::abs(y - r.Bottom) <= kAxisHitSlack;
    return y >= r.Top && y <= r.Bottom && std::abs(x - r.Left) <= kAxisHitSlack;
}

TChartClickedPart TChart::CalcClickedPart(int x, int y) const {
    TChartClickedPart part;
    for (size_t i = FSeries.size(); i-- > 0;) {
        TChartSeries& s = *FSeries[i];
        if (!s.Active()) continue;
        int index = s.Clicked(*this, x, y);
        if (index >= 0) {
            part.Part = TChartClickedPartStyle::cpSeries;
            part.PointIndex = index;
            part.ASeries = &s;
            return part;
        }
    }
    if (HasAxes() && !FChartRect.IsEmpty()) {
        for (const TChartAxis* axis : {&FLeftAxis, &FBottomAxis})
            if (AxisClicked(*axis, x, y)) {
                part.Part = TChartClickedPartStyle::cpAxis;
                part.AAxis = axis;
                return part;
            }
    }
    if (FTitle.Rect.Contains(x, y)) {
        part.Part = TChartClickedPartStyle::cpTitle;
        return part;
    }
    if (FFoot.Rect.Contains(x, y)) {
        part.Part = TChartClickedPartStyle::cpFoot;
        return part;
    }
    if (!FSeries.empty() && x >= FChartRect.Left && x <= FChartRect.Right && y >= FChartRect.Top &&
        y <= FChartRect.Bottom && !FChartRect.IsEmpty()) {
        part.Part = TChartClickedPartStyle::cpChartRect;
        return part;
    }
    if (FLegend.Visible() && FLegend.Rect().Contains(x, y)) {
        part.Part = TChartClickedPartStyle::cpLegend;
        part.PointIndex = FLegend.Clicked(x, y);
        // Rows laid out before the points last changed may be gone.
        const TChartSeries* listed = LegendSeries();
        if (!listed || part.PointIndex >= listed->Count()) part.PointIndex = -1;
        return part;
    }
    return part;
}

void TChart::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (FZooming || FPanning) return;
    TChartClickedPart part = CalcClickedPart(x, y);
    if (part.Part == TChartClickedPartStyle::cpSeries) {
        if (OnClickSeries) OnClickSeries(*this, *part.ASeries, part.PointIndex, button, shift, x, y);
        return;
    }
    if (part.Part == TChartClickedPartStyle::cpLegend && part.PointIndex >= 0) {
        if (OnClickLegend) OnClickLegend(*this, button, shift, x, y);
        return;
    }
    if (part.Part != TChartClickedPartStyle::cpChartRect) return;
    if (button == TMouseButton::mbLeft && FAllowZoom) {
        FZooming = true;
    } else if (button == TMouseButton::mbRight && FAllowPanning != TPanningMode::pmNone) {
        FPanning = true;
    } else {
        return;
    }
    FMouseStart = FMouseLast = {x, y};
}

void TChart::MouseMove(int x, int y) {
    if (FZooming) {
        FMouseLast = {x, y};
        Changed();
    } else if (FPanning) {
        int dx = x - FMouseLast.X, dy = y - FMouseLast.Y;
        FMouseLast = {x, y};
        if (FAllowPanning == TPanningMode::pmBoth || FAllowPanning == TPanningMode::pmHorizontal) {
            if (dx != 0 && FBottomAxis.Length() > 0) {
                double perPixel = (FBottomAxis.Maximum() - FBottomAxis.Minimum()) / FBottomAxis.Length();
                FBottomAxis.Scroll(-dx * perPixel);
            }
        }
        if (FAllowPanning == TPanningMode::pmBoth || FAllowPanning == TPanningMode::pmVertical) {
            if (dy != 0 && FLeftAxis.Length() > 0) {
                double perPixel = (FLeftAxis.Maximum() - FLeftAxis.Minimum()) / FLeftAxis.Length();
                FLeftAxis.Scroll(dy * perPixel);
            }
        }
        if (dx != 0 || dy != 0) Changed();
    }
}

void TChart::MouseUp(TMouseButton button, int x, int y) {
    if (FZooming && button == TMouseButton::mbLeft) {
        FZooming = false;
        int dx = x - FMouseStart.X, dy = y - FMouseStart.Y;
        if (std::abs(dx) > 16 && std::abs(dy) > 16) {
            if (dx > 0 && dy > 0) {
                FBottomAxis.SetMinMax(FBottomAxis.CalcPosPoint(FMouseStart.X), FBottomAxis.CalcPosPoint(x));
                FLeftAxis.SetMinMax(FLeftAxis.CalcPosPoint(y), FLeftAxis.CalcPosPoint(FMouseStart.Y));
            } else {
                UndoZoom();
            }
        }
        Changed();
    } else if (FPanning && button == TMouseButton::mbRight) {
        FPanning = false;
        Changed();
    }
}

void TChart::UndoZoom() {
    FLeftAxis.RestoreAutomatic();
    FBottomAxis.RestoreAutomatic();
    Changed();
}
