#include "chart/BarSeries.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/Chart.h"
#include "chart/Chart3D.h"
#include "chart/ChartAxis.h"
#include "chart/ChartUtils.h"

int TCustomBarSeries::SpacePerBar(int axisLength, int count) {
    if (axisLength <= 0 || count < 0) return 0;
    return axisLength / (count + 1);
}

int TCustomBarSeries::BarWidth(int axisLength) const {
    int width = RoundToInt(SpacePerBar(axisLength, Count()) * BarWidthPercent / 100.0);
    if (width % 2 != 0) ++width;
    return width;
}

void TCustomBarSeries::CalcHorizRange(int axisLength, double& minimum, double& maximum) const {
    const int n = Count();
    const int width = BarWidth(axisLength);
    if (n <= 1) {
        minimum = -0.5;
        maximum = 0.5;
        return;
    }
    // Bar centres from one bar width after the start to one bar width before the end.
    double inner = axisLength - 2.0 * width;
    if (inner <= 0) {
        minimum = -1;
        maximum = n;
        return;
    }
    double margin = width * (n - 1) / inner;
    minimum = -margin;
    maximum = n - 1 + margin;
}

void TCustomBarSeries::CalcVertRange(double& minimum, double& maximum) const {
    minimum = UseYOrigin ? YOrigin : 0;
    maximum = minimum;
    bool first = !UseYOrigin;
    for (const auto& p : Points()) {
        double v = SafeValue(p.Value);
        if (first) {
            minimum = maximum = v;
            first = false;
        }
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
    }
}

TScreenRect TCustomBarSeries::BarRect(const TChartAxis& horizontal, const TChartAxis& vertical, int index) const {
    int width = BarWidth(horizontal.Length());
    int centre = horizontal.CalcPosValue(index);
    int left = centre + RoundToInt(-0.5 * width);
    int top = vertical.CalcPosValue(Value(index));
    int bottom = vertical.CalcPosValue(UseYOrigin ? YOrigin : 0);
    if (top > bottom) std::swap(top, bottom);
    return {left, top, left + width, bottom};
}

void TCustomBarSeries::DrawGradient(TChartCanvas& canvas, const TScreenRect& r, TColor color) const {
    // White at the bottom to the bar's colour at the top, one band per row but at most 256.
    int height = r.Bottom - r.Top + 1;
    int width = r.Right - r.Left + 1;
    // The outline covers a bar of one or two pixels across entirely.
    if (height <= 2 || width <= 2) return;
    if (BarStyle != TBarStyle::bsRectGradient) {
        canvas.FillRect({r.Left, r.Top, r.Right + 1, r.Bottom + 1}, color);
        return;
    }
    int bands = std::min(height, 256);
    for (int k = 0; k < bands; ++k) {
        int y0 = r.Top + static_cast<int>(static_cast<long long>(k) * height / bands);
        int y1 = r.Top + static_cast<int>(static_cast<long long>(k + 1) * height / bands);
        double t = bands > 1 ? static_cast<double>(k) / (bands - 1) : 0;
        canvas.FillRect({r.Left, y0, r.Right + 1, y1}, BlendColor(color, clWhite, t));
    }
}

bool TCustomBarSeries::HiddenByLater(const std::vector<TScreenRect>& rects, int index) const {
    const TScreenRect& r = rects[static_cast<size_t>(index)];
    // Later bars stand further right: only those starting on this bar's first column can cover it.
    for (int j = index + 1; j < Count() && j <= index + 64; ++j) {
        const TScreenRect& q = rects[static_cast<size_t>(j)];
        if (q.Left > r.Left) break;
        if (q.Right >= r.Right && q.Top <= r.Top && q.Bottom >= r.Bottom && ValueColor(j) != clNone) return true;
    }
    return false;
}

void TCustomBarSeries::DrawValues(TChart& chart, TChartCanvas3D& canvas, double z0, double z1) {
    const TChartAxis& h = chart.BottomAxis();
    const TChartAxis& v = chart.LeftAxis();
    TChartCanvas& c = canvas.Canvas();
    const TScreenRect& plot = chart.ChartRect();
    const bool is3D = canvas.Projection().Is3D();
    const bool orthogonal = canvas.Projection().IsOrthogonal();
    std::vector<TScreenRect> rects(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) rects[static_cast<size_t>(i)] = BarRect(h, v, i);
    for (int i = 0; i < Count(); ++i) {
        TColor color = ValueColor(i);
        const TScreenRect& r = rects[static_cast<size_t>(i)];
        if (color == clNone) continue;
        // Bars wholly beside the plotting rectangle (after a zoom) are not drawn, nor bars that a
        // later one paints over entirely (dense charts stack many bars on one pixel column).
        if (r.Right < plot.Left || r.Left > plot.Right || HiddenByLater(rects, i)) continue;
        c.SetPen(clBlack, 1, TPenStyle::psSolid);
        if (!is3D) {
            DrawGradient(c, r, color);
            c.SetBrush(clWhite, true);
            c.Rectangle({r.Left, r.Top, r.Right + 1, r.Bottom + 1});
            continue;
        }
        TColor top = Dark3D ? ApplyDark(color, 32) : color;
        TColor side = Dark3D ? ApplyDark(color, 64) : color;
        // The blocks drawn after this one that stand right beside it hide its side face, except
        // for the rows above and below all of them. Every bar touches the zero line, so the rows
        // they cover are one run. Dense charts draw far less this way.
        TChartCanvas3D::TSideSpan spans[2] = {{r.Top, r.Bottom}, {0, -1}};
        int spanCount = 1;
        if (orthogonal) {
            int coverTop = r.Bottom + 1, coverBottom = r.Top - 1;
            for (int j = i + 1; j < Count() && j <= i + 64; ++j) {
                const TScreenRect& q = rects[static_cast<size_t>(j)];
                if (q.Left > r.Right + 1) break;
                if (ValueColor(j) == clNone) continue;
                coverTop = std::min(coverTop, q.Top);
                coverBottom = std::max(coverBottom, q.Bottom);
            }
            if (coverTop <= coverBottom) {
                spans[0] = {r.Top, std::min(r.Bottom, coverTop - 1)};
                spans[1] = {std::max(r.Top, coverBottom + 1), r.Bottom};
                spanCount = 2;
            }
        }
        // In the orthogonal view the gradient below paints the front face over.
        canvas.Cube(r, z0, z1, color, top, side, spans, spanCount, !orthogonal);
        if (canvas.Projection().IsOrthogonal()) {
            TScreenPoint tl = canvas.Projection().Calc3DPos(r.Left, r.Top, z0);
            TScreenPoint br = canvas.Projection().Calc3DPos(r.Right, r.Bottom, z0);
            TScreenRect front{tl.X, tl.Y, br.X, br.Y};
            DrawGradient(c, front, color);
            c.SetBrush(clWhite, true);
            c.Rectangle({front.Left, front.Top, front.Right + 1, front.Bottom + 1});
        }
    }
}

int TCustomBarSeries::Clicked(const TChart& chart, int x, int y) const {
    if (chart.ChartRect().IsEmpty()) return -1;
    double px = x, py = y;
    if (chart.Projection().Is3D()) {
        double z0, z1;
        chart.SeriesDepth(*this, z0, z1);
        if (!chart.Projection().Inverse(x, y, z0, px, py)) return -1;
    }
    int ix = RoundToInt(px), iy = RoundToInt(py);
    for (int i = 0; i < Count(); ++i) {
        TScreenRect r = BarRect(chart.BottomAxis(), chart.LeftAxis(), i);
        if (ix >= r.Left && ix <= r.Right && iy >= r.Top && iy <= r.Bottom) return i;
    }
    return -1;
}
