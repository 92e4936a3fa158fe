#include "chart/Chart3D.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/ChartUtils.h"

namespace {

constexpr double kPi = std::numbers::pi;

void Multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
}

}  // namespace

TChartProjection::TChartProjection(bool view3D, const TView3DOptions& options, const TScreenRect& plot, int depth)
    : FIs3D(view3D), FOrthogonal(view3D && options.Orthogonal) {
    if (!FIs3D || FOrthogonal) return;
    FCx = (plot.Left + plot.Right) / 2.0;
    FCy = (plot.Top + plot.Bottom) / 2.0;
    FCz = depth / 2.0;
    FZoom = options.Zoom / 100.0;
    FPerspective = options.Perspective > 0 ? options.Perspective / 35000.0 : 0;
    double r = options.Rotation * kPi / 180, e = options.Elevation * kPi / 180, t = options.Tilt * kPi / 180;
    // About the vertical axis, then the horizontal one, then the viewing axis.
    const double rot[3][3] = {{std::cos(r), 0, std::sin(r)}, {0, 1, 0}, {-std::sin(r), 0, std::cos(r)}};
    const double elev[3][3] = {{1, 0, 0}, {0, std::cos(e), std::sin(e)}, {0, -std::sin(e), std::cos(e)}};
    const double tilt[3][3] = {{std::cos(t), -std::sin(t), 0}, {std::sin(t), std::cos(t), 0}, {0, 0, 1}};
    double er[3][3];
    Multiply(elev, rot, er);
    Multiply(tilt, er, FM);
}

void TChartProjection::Project(double x, double y, double z, double& sx, double& sy) const {
    x -= FCx;
    y -= FCy;
    z -= FCz;
    double px = FM[0][0] * x + FM[0][1] * y + FM[0][2] * z;
    double py = FM[1][0] * x + FM[1][1] * y + FM[1][2] * z;
    double f = FZoom;
    if (FPerspective > 0) {
        double pz = FM[2][0] * x + FM[2][1] * y + FM[2][2] * z;
        double d = 1 + pz * FPerspective;
        if (d > 1e-6) f /= d;
    }
    sx = FCx + px * f;
    sy = FCy + py * f;
}

TScreenPoint TChartProjection::Calc3DPos(double x, double y, double z) const {
    if (!FIs3D) return {RoundToInt(x), RoundToInt(y)};
    if (FOrthogonal) return {RoundToInt(x + z), RoundToInt(y - z)};
    double sx, sy;
    Project(x, y, z, sx, sy);
    return {RoundToInt(sx), RoundToInt(sy)};
}

bool TChartProjection::Inverse(int sx, int sy, double z, double& x, double& y) const {
    if (!FIs3D) {
        x = sx;
        y = sy;
        return true;
    }
    if (FOrthogonal) {
        x = sx - z;
        y = sy + z;
        return true;
    }
    // Screen = C + zoom * (M v) / (1 + k * (M v).z) with v = (x, y, z) - C is, for a known z, a
    // linear system in x and y.
    double zc = z - FCz;
    double u = (sx - FCx) / FZoom, w = (sy - FCy) / FZoom;
    double k = FPerspective;
    double a11 = FM[0][0] - u * k * FM[2][0], a12 = FM[0][1] - u * k * FM[2][1];
    double a21 = FM[1][0] - w * k * FM[2][0], a22 = FM[1][1] - w * k * FM[2][1];
    double b1 = u * (1 + k * FM[2][2] * zc) - FM[0][2] * zc;
    double b2 = w * (1 + k * FM[2][2] * zc) - FM[1][2] * zc;
    double det = a11 * a22 - a12 * a21;
    if (!std::isfinite(det) || std::fabs(det) < 1e-9) return false;
    x = (b1 * a22 - a12 * b2) / det + FCx;
    y = (a11 * b2 - b1 * a21) / det + FCy;
    return std::isfinite(x) && std::isfinite(y);
}

void TChartCanvas3D::Polygon3D(const std::vector<TPoint3D>& points) {
    FBuffer.clear();
    for (const auto& p : points) FBuffer.push_back(FProjection.Calc3DPos(p));
    if (FBuffer.size() >= 3) FCanvas.Polygon(FBuffer.data(), FBuffer.size());
}

void TChartCanvas3D::Line3D(const TPoint3D& from, const TPoint3D& to) {
    FCanvas.Line(FProjection.Calc3DPos(from), FProjection.Calc3DPos(to));
}

// Corners on the same pixel as the previous one add nothing to the shape; narrow slices of large
// pies lose most of their 32 segments this way.
void TChartCanvas3D::PushDistinct(TScreenPoint p) {
    if (FBuffer.empty() || !(FBuffer.back() == p)) FBuffer.push_back(p);
}

void TChartCanvas3D::Pie3D(double cx, double cy, double rx, double ry, double z0, double z1, double startAngle,
                           double endAngle, TColor color, TColor sideColor, bool startFace, bool endFace) {
    constexpr int kSegments = 32;
    double arcX[kSegments + 1], arcY[kSegments + 1];
    double step = (endAngle - startAngle) / kSegments;
    for (int i = 0; i <= kSegments; ++i) {
        double a = startAngle + step * i;
        arcX[i] = cx + std::cos(a) * rx;
        arcY[i] = cy - std::sin(a) * ry;
    }
    auto at = [&](double x, double y, double z) { return FProjection.Calc3DPos(x, y, z); };

    FCanvas.SetBrush(sideColor, false);
    // Cut faces from the centre to the ends of the arc.
    for (int end : {0, kSegments}) {
        if (!(end == 0 ? startFace : endFace)) continue;
        TScreenPoint face[4] = {at(cx, cy, z0), at(cx, cy, z1), at(arcX[end], arcY[end], z1),
                                at(arcX[end], arcY[end], z0)};
        FCanvas.Polygon(face, 4);
    }
    // The outer side, only where it faces the viewer (the lower half of the turn); the rest lies
    // under the top face.
    FBuffer.clear();
    std::vector<int> front;
    for (int i = 0; i <= kSegments; ++i) {
        double s = std::sin(startAngle + step * i);
        if (s <= 1e-9) front.push_back(i);
    }
    if (front.size() >= 2) {
        // The facing part of an arc within one turn is at most two runs (wrapping past 2*pi);
        // draw each run as one band.
        size_t runStart = 0;
        for (size_t j = 1; j <= front.size(); ++j) {
            if (j == front.size() || front[j] != front[j - 1] + 1) {
                if (j - runStart >= 2) {
                    FBuffer.clear();
                    for (size_t q = runStart; q < j; ++q) PushDistinct(at(arcX[front[q]], arcY[front[q]], z0));
                    for (size_t q = j; q-- > runStart;) PushDistinct(at(arcX[front[q]], arcY[front[q]], z1));
                    FCanvas.Polygon(FBuffer.data(), FBuffer.size());
                }
                runStart = j;
            }
        }
    }
    // The top face.
    FBuffer.clear();
    FBuffer.push_back(at(cx, cy, z1));
    for (int i = 0; i <= kSegments; ++i) PushDistinct(at(arcX[i], arcY[i], z1));
    FCanvas.SetBrush(color, false);
    FCanvas.Polygon(FBuffer.data(), FBuffer.size());
}

void TChartCanvas3D::Cube(const TScreenRect& r, double z0, double z1, TColor front, TColor top, TColor side,
                          const TSideSpan* sideSpans, int spanCount, bool drawFront) {
    double l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    auto at = [&](double x, double y, double z) { return FProjection.Calc3DPos(x, y, z); };
    TScreenPoint topFace[4] = {at(l, t, z0), at(rt, t, z0), at(rt, t, z1), at(l, t, z1)};
    FCanvas.SetBrush(top, false);
    FCanvas.Polygon(topFace, 4);
    FCanvas.SetBrush(side, false);
    TSideSpan whole{r.Top, r.Bottom};
    if (!sideSpans) {
        sideSpans = &whole;
        spanCount = 1;
    }
    for (int i = 0; i < spanCount; ++i) {
        double from = std::max(sideSpans[i].From, r.Top), to = std::min(sideSpans[i].To, r.Bottom);
        if (to < from) continue;
        TScreenPoint sideFace[4] = {at(rt, from, z0), at(rt, to, z0), at(rt, to, z1), at(rt, from, z1)};
        FCanvas.Polygon(sideFace, 4);
    }
    if (!drawFront) return;
    TScreenPoint frontFace[4] = {at(l, t, z0), at(rt, t, z0), at(rt, b, z0), at(l, b, z0)};
    FCanvas.SetBrush(front, false);
    FCanvas.Polygon(frontFace, 4);
}
