#pragma once
// The round series (TCircledSeries: a round drawing area and the chart settings a round series
// needs) and the pie (TPieSeries): slice angles, the exploded biggest slice, flat and 3D drawing
// and the hit test. Portable.
#include <vector>

#include "chart/ChartSeries.h"

class TCircledSeries : public TChartSeries {
public:
    // Setting the active state, to either value, switches the chart's settings for round series:
    // off while this series is active, on when it is not.
    void SetActive(bool value) override;

    bool Circled = true;
    double RotationAngle = 0;  // degrees added to every slice angle

    // The round drawing area inside `rect`, for a device whose horizontal pixel density over its
    // vertical one is `pixelAspect`: even sides of at least 4 pixels, narrowed so that the
    // ellipse appears as a circle.
    static TScreenRect CircleRect(const TScreenRect& rect, double pixelAspect, bool circled);

    bool UsesAxes() const override { return false; }
};

struct TPieAngle {
    double StartAngle = 0;
    double MidAngle = 0;
    double EndAngle = 0;
};

class TPieSeries : public TCircledSeries {
public:
    int ExplodeBiggest = 10;  // percent of the radius the first largest slice is pulled out
    bool Dark3D = true;

    void Clear() override;

    // The geometry of the last drawing or hit test.
    struct TGeometry {
        TScreenRect CircleRect;
        int XCenter = 0, YCenter = 0, XRadius = 0, YRadius = 0;
        std::vector<TPieAngle> Angles;
        int ExplodedSlice = -1;  // the slice with the greatest explode percentage, -1 when none
    };
    // Computes angles, explode percentages and the drawing area for the plotting rectangle `plot`.
    const TGeometry& CalcGeometry(const TScreenRect& plot, double pixelAspect) const;
    const TGeometry& Geometry() const { return FGeometry; }
    // The explode percentage of a slice (0 for all but the exploded ones).
    int ExplodePercent(int index) const;
    // How far slice `index` is moved: to the right and upward, in pixels.
    void SliceOffset(int index, int& dx, int& dy) const;
    // The screen point of `angle` (radians) on the current ellipse, unmoved.
    TScreenPoint AngleToPos(double angle) const;
    // The slices in back-to-front order for 3D: by the angular distance of their middle angle
    // from pi/2, smallest first.
    std::vector<int> DrawOrder3D() const;

    void DrawValues(TChart& chart, TChartCanvas3D& canvas, double z0, double z1) override;
    int Clicked(const TChart& chart, int x, int y) const override;

private:
    void CalcAngles() const;
    void DrawFlat(TChartCanvas& canvas) const;

    mutable TGeometry FGeometry;
    mutable std::vector<int> FExplode;
};
