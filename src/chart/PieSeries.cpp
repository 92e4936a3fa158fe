#include "chart/PieSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "chart/Chart.h"
#include "chart/Chart3D.h"
#include "chart/ChartUtils.h"

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
}  // namespace

void TCircledSeries::SetActive(bool value) {
    TChartSeries::SetActive(value);
    if (TChart* chart = ParentChart()) chart->SwitchRoundSeriesSettings(!value);
}

TScreenRect TCircledSeries::CircleRect(const TScreenRect& rect, double pixelAspect, bool circled) {
    TScreenRect r = rect;
    auto normalise = [](TScreenRect& q) {
        if (q.Width() % 2 != 0) --q.Right;
        if (q.Height() % 2 != 0) --q.Bottom;
        if (q.Width() < 4) q.Right = q.Left + 4;
        if (q.Height() < 4) q.Bottom = q.Top + 4;
    };
    normalise(r);
    if (!circled) return r;
    double e = std::isfinite(pixelAspect) && pixelAspect > 0 ? pixelAspect : 1.0;
    int rx = r.Width() / 2, ry = r.Height() / 2;
    int scaled = RoundToInt(ry * e);
    if (scaled < rx) {
        int d = rx - scaled;
        r.Left += d;
        r.Right -= d;
    } else {
        int d = ry - RoundToInt(rx / e);
        r.Top += d;
        r.Bottom -= d;
    }
    normalise(r);
    return r;
}

void TPieSeries::Clear() {
    FExplode.clear();
    TCircledSeries::Clear();
}

void TPieSeries::CalcAngles() const {
    const auto& points = Points();
    FGeometry.Angles.assign(points.size(), {});
    // Long double keeps the sum of 100,000 values near the double range finite.
    long double total = 0;
    for (const auto& p : points) total += std::fabs(SafeValue(p.Value));
    double scale = total > 0 ? static_cast<double>(kTwoPi / total) : 0;
    long double running = 0;
    double previous = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        auto& a = FGeometry.Angles[i];
        a.StartAngle = previous;
        running += std::fabs(SafeValue(points[i].Value));
        if (total == 0 || running >= total)
            a.EndAngle = kTwoPi;
        else
            a.EndAngle = static_cast<double>(running * scale);
        if (a.EndAngle - a.StartAngle > kTwoPi) a.EndAngle = a.StartAngle + kTwoPi;
        a.MidAngle = (a.StartAngle + a.EndAngle) / 2;
        previous = a.EndAngle;
    }
}

int TPieSeries::ExplodePercent(int index) const {
    if (index < 0 || index >= static_cast<int>(FExplode.size())) return 0;
    return FExplode[static_cast<size_t>(index)];
}

TScreenPoint TPieSeries::AngleToPos(double angle) const {
    double a = angle + RotationAngle * kPi / 180;
    return {FGeometry.XCenter + RoundToInt(std::cos(a) * FGeometry.XRadius),
            FGeometry.YCenter - RoundToInt(std::sin(a) * FGeometry.YRadius)};
}

void TPieSeries::SliceOffset(int index, int& dx, int& dy) const {
    dx = dy = 0;
    int p = ExplodePercent(index);
    if (p == 0 || index >= static_cast<int>(FGeometry.Angles.size())) return;
    double a = FGeometry.Angles[static_cast<size_t>(index)].MidAngle + RotationAngle * kPi / 180;
    dx = RoundToInt(std::cos(a) * FGeometry.XRadius * p / 100.0);
    dy = RoundToInt(std::sin(a) * FGeometry.YRadius * p / 100.0);
}

const TPieSeries::TGeometry& TPieSeries::CalcGeometry(const TScreenRect& plot, double pixelAspect) const {
    CalcAngles();
    const int n = Count();
    FExplode.resize(static_cast<size_t>(n), 0);
    if (ExplodeBiggest > 0 && n > 0) {
        int biggest = 0;
        for (int i = 1; i < n; ++i)
            if (SafeValue(Value(i)) > SafeValue(Value(biggest))) biggest = i;
        FExplode[static_cast<size_t>(biggest)] = ExplodeBiggest;
    }
    FGeometry.ExplodedSlice = -1;
    for (int i = 0; i < n; ++i)
        if (FExplode[static_cast<size_t>(i)] > 0 &&
            (FGeometry.ExplodedSlice < 0 || FExplode[static_cast<size_t>(i)] > ExplodePercent(FGeometry.ExplodedSlice)))
            FGeometry.ExplodedSlice = i;

    auto setRect = [this](const TScreenRect& r) {
        FGeometry.CircleRect = r;
        FGeometry.XCenter = (r.Left + r.Right) / 2;
        FGeometry.YCenter = (r.Top + r.Bottom) / 2;
        FGeometry.XRadius = r.Width() / 2;
        FGeometry.YRadius = r.Height() / 2;
    };
    TScreenRect r = CircleRect(plot, pixelAspect, Circled);
    setRect(r);
    if (FGeometry.ExplodedSlice >= 0) {
        // Make room for the pulled-out slice.
        int dx, dy;
        SliceOffset(FGeometry.ExplodedSlice, dx, dy);
        int hx = std::abs(dx) / 2, hy = std::abs(dy) / 2;
        r = {r.Left + hx, r.Top + hy, r.Right - hx, r.Bottom - hy};
        setRect(r);
    }
    return FGeometry;
}

std::vector<int> TPieSeries::DrawOrder3D() const {
    const size_t n = FGeometry.Angles.size();
    std::vector<double> distance(n);
    const double rotation = RotationAngle * kPi / 180;
    for (size_t i = 0; i < n; ++i) {
        double a = std::fmod(FGeometry.Angles[i].MidAngle + rotation, kTwoPi);
        if (a < 0) a += kTwoPi;
        double d = std::fabs(a - kPi / 2);
        distance[i] = std::min(d, kTwoPi - d);
    }
    std::vector<int> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        double da = distance[static_cast<size_t>(a)], db = distance[static_cast<size_t>(b)];
        return da != db ? da < db : a < b;
    });
    return order;
}

void TPieSeries::DrawFlat(TChartCanvas& canvas) const {
    const int n = Count();
    const auto& g = FGeometry;
    TScreenPoint start = AngleToPos(0);
    for (int i = 0; i < n; ++i) {
        const auto& a = g.Angles[static_cast<size_t>(i)];
        TScreenPoint end = AngleToPos(a.EndAngle);
        // A sliver whose edges fall on one pixel would come out as a whole ellipse; leave it
        // out, and the next slice starts where the last drawn one ended.
        if (!(end != start || n == 1 || a.EndAngle - a.StartAngle > 1)) continue;
        TColor color = ValueColor(i);
        if (color != clNone) {
            int dx, dy;
            SliceOffset(i, dx, dy);
            canvas.SetBrush(color, false);
            const TScreenRect& c = g.CircleRect;
            canvas.Pie({c.Left + dx, c.Top - dy, c.Right + dx, c.Bottom - dy}, {start.X + dx, start.Y - dy},
                       {end.X + dx, end.Y - dy});
        }
        start = end;
    }
}

void TPieSeries::DrawValues(TChart& chart, TChartCanvas3D& canvas, double z0, double z1) {
    CalcGeometry(chart.ChartRect(), canvas.Canvas().PixelAspect());
    if (Count() == 0) return;
    const auto& g = FGeometry;
    if (g.CircleRect.Width() < 5 || g.CircleRect.Height() < 5) return;
    TChartCanvas& c = canvas.Canvas();
    c.SetPen(clBlack, 1, TPenStyle::psSolid);
    if (!canvas.Projection().Is3D()) {
        DrawFlat(c);
        return;
    }
    const double rotation = RotationAngle * kPi / 180;
    const int n = Count();
    // A cut face shows only where the neighbouring slice is moved differently (the exploded
    // slice and its neighbours); elsewhere it lies inside the pie.
    auto movedApart = [this](int a, int b) {
        int ax, ay, bx, by;
        SliceOffset(a, ax, ay);
        SliceOffset(b, bx, by);
        return ax != bx || ay != by;
    };
    for (int i : DrawOrder3D()) {
        const auto& a = g.Angles[static_cast<size_t>(i)];
        TColor color = ValueColor(i);
        if (color == clNone || a.EndAngle <= a.StartAngle) continue;
        int dx, dy;
        SliceOffset(i, dx, dy);
        bool whole = a.EndAngle - a.StartAngle >= kTwoPi;
        bool startFace = !whole && movedApart(i, (i + n - 1) % n);
        bool endFace = !whole && movedApart(i, (i + 1) % n);
        canvas.Pie3D(g.XCenter + dx, g.YCenter - dy, g.XRadius, g.YRadius, z0, z1, a.StartAngle + rotation,
                     a.EndAngle + rotation, color, Dark3D ? ApplyDark(color, 32) : color, startFace, endFace);
    }
}

int TPieSeries::Clicked(const TChart& chart, int x, int y) const {
    if (Count() == 0 || chart.ChartRect().IsEmpty()) return -1;
    CalcGeometry(chart.ChartRect(), chart.LastPixelAspect());
    double px = x, py = y;
    if (chart.Projection().Is3D()) {
        double z0, z1;
        chart.SeriesDepth(*this, z0, z1);
        // The face seen from above lies at the back depth.
        if (!chart.Projection().Inverse(x, y, z1, px, py)) return -1;
    }
    const auto& g = FGeometry;
    double dx = px - g.XCenter, dy = g.YCenter - py;
    double angle;
    if (dx == 0)
        angle = dy >= 0 ? kPi / 2 : 3 * kPi / 2;
    else {
        angle = std::atan2(dy / std::max(1, g.YRadius), dx / std::max(1, g.XRadius));
        if (angle < 0) angle += kTwoPi;
    }
    angle -= RotationAngle * kPi / 180;
    if (angle < 0) angle += kTwoPi;
    for (int i = 0; i < Count(); ++i) {
        int sdx, sdy;
        SliceOffset(i, sdx, sdy);
        const auto& a = g.Angles[static_cast<size_t>(i)];
        if (std::fabs(dx) < g.XRadius + std::abs(sdx) && std::fabs(dy) < g.YRadius + std::abs(sdy) &&
            angle >= a.StartAngle && angle <= a.EndAngle)
            return i;
    }
    return -1;
}
