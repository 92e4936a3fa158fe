#pragma once
// The chart's 3D view: the view options, the two projections (orthogonal and rotated) with their
// inverses, and TChartCanvas3D, which draws 3D shapes through a 2D TChartCanvas. Portable.
#include <vector>

#include "chart/ChartCanvas.h"

struct TView3DOptions {
    bool Orthogonal = false;
    int Rotation = 360;   // degrees about the vertical axis
    int Elevation = 315;  // degrees about the horizontal axis
    int Perspective = 0;  // 0 = none; strength Perspective / 35000
    int Tilt = 0;         // degrees about the viewing axis
    int Zoom = 100;       // percent
    friend bool operator==(const TView3DOptions&, const TView3DOptions&) = default;
};

struct TPoint3D {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// Maps chart coordinates (x right, y down, z = depth receding from the viewer) to the screen.
class TChartProjection {
public:
    // A flat projection: z is ignored.
    TChartProjection() = default;
    // In the rotated projection the rotations apply about the centre of `plot` and half of `depth`.
    TChartProjection(bool view3D, const TView3DOptions& options, const TScreenRect& plot, int depth);

    bool Is3D() const { return FIs3D; }
    bool IsOrthogonal() const { return FOrthogonal; }

    TScreenPoint Calc3DPos(double x, double y, double z) const;
    TScreenPoint Calc3DPos(const TPoint3D& p) const { return Calc3DPos(p.X, p.Y, p.Z); }
    // The chart coordinates at depth z that project onto the screen position (sx, sy); false when
    // the view is edge-on and no single point answers.
    bool Inverse(int sx, int sy, double z, double& x, double& y) const;

private:
    void Project(double x, double y, double z, double& sx, double& sy) const;

    bool FIs3D = false;
    bool FOrthogonal = false;
    double FM[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double FCx = 0, FCy = 0, FCz = 0;
    double FZoom = 1;
    double FPerspective = 0;
};

// Draws projected shapes through a 2D canvas.
class TChartCanvas3D {
public:
    TChartCanvas3D(TChartCanvas& canvas, const TChartProjection& projection)
        : FCanvas(canvas), FProjection(projection) {}

    TChartCanvas& Canvas() { return FCanvas; }
    const TChartProjection& Projection() const { return FProjection; }

    // Projects and draws a filled, outlined polygon.
    void Polygon3D(const std::vector<TPoint3D>& points);
    void Line3D(const TPoint3D& from, const TPoint3D& to);

    // One pie slice as a solid between depths z0 (front) and z1 (back): angles in radians,
    // counter-clockwise from 3 o'clock; the arc is 32 straight segments. The face seen from above
    // is drawn at z1; the outer side below it and the cut faces at the start and end angle (when
    // asked for: inside an unbroken pie they are hidden) in `sideColor`.
    void Pie3D(double cx, double cy, double rx, double ry, double z0, double z1, double startAngle, double endAngle,
               TColor color, TColor sideColor, bool startFace = true, bool endFace = true);

    // Rows [From, To] of a block's right side face, in the block's own (unprojected) coordinates.
    struct TSideSpan {
        int From = 0;
        int To = -1;
    };
    // A block between depths z0 and z1 over the rectangle; front in `front`, top and side in the
    // darker colours. Only the given spans of the side face are drawn (all of it when null); the
    // front face only when `drawFront`.
    void Cube(const TScreenRect& rect, double z0, double z1, TColor front, TColor top, TColor side,
              const TSideSpan* sideSpans = nullptr, int spanCount = 0, bool drawFront = true);

private:
    void PushDistinct(TScreenPoint p);

    TChartCanvas& FCanvas;
    const TChartProjection& FProjection;
    std::vector<TScreenPoint> FBuffer;
};
