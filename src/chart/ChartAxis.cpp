#include "chart/ChartAxis.h"

#include <cmath>

#include "chart/ChartUtils.h"

void TChartAxis::SetAutomaticRange(double minimum, double maximum) {
    if (!FAutomatic) return;
    FMinimum = SafeValue(minimum);
    FMaximum = SafeValue(maximum);
    if (!(FMaximum > FMinimum)) FMaximum = FMinimum + 1;
}

void TChartAxis::SetMinMax(double minimum, double maximum) {
    minimum = SafeValue(minimum);
    maximum = SafeValue(maximum);
    if (!(maximum > minimum)) return;
    FAutomatic = false;
    FMinimum = minimum;
    FMaximum = maximum;
}

void TChartAxis::Scroll(double delta) {
    delta = SafeValue(delta);
    double lo = FMinimum + delta, hi = FMaximum + delta;
    if (std::isfinite(lo) && std::isfinite(hi) && hi > lo) SetMinMax(lo, hi);
}

void TChartAxis::SetPixelRange(int start, int end) {
    FStartPos = start;
    FEndPos = end;
}

int TChartAxis::CalcPosValue(double value) const {
    double range = FMaximum - FMinimum;
    if (!(range > 0) || !std::isfinite(range)) return FStartPos;
    double t = (SafeValue(value) - FMinimum) / range;
    return RoundToInt(FStartPos + t * (FEndPos - FStartPos));
}

double TChartAxis::CalcPosPoint(int pixel) const {
    if (FEndPos == FStartPos) return FMinimum;
    return FMinimum + (static_cast<double>(pixel) - FStartPos) / (FEndPos - FStartPos) * (FMaximum - FMinimum);
}

double TChartAxis::CalcIncrement(int labelSize, double above) const {
    if (labelSize < 1) labelSize = 1;
    int fit =
        RoundToInt(static_cast<double>(Length()) / (labelSize + RoundToInt(labelSize * LabelsSeparation / 100.0)));
    if (fit < 1) fit = 1;
    const bool units = LabelUnit > 0 && std::isfinite(LabelUnit);
    double range = FMaximum - FMinimum;
    if (!(range > 0) || !std::isfinite(range)) return units ? LabelUnit : 1;
    double increment = units ? LabelUnit : range < 1 ? 1e-12 : 1;
    // 1, 2, 5, 10, 20, 50, ...: the mantissa steps while the power of ten grows.
    double power = increment;
    int step = 0;
    while ((std::round(range / increment) > fit || increment <= above) && std::isfinite(increment)) {
        step = (step + 1) % 3;
        if (step == 0) power *= 10;
        increment = power * (step == 0 ? 1 : (step == 1 ? 2 : 5));
    }
    return std::isfinite(increment) ? increment : range;
}

std::vector<double> TChartAxis::LabelValues(double increment, size_t limit) const {
    std::vector<double> values;
    if (!(increment > 0) || !std::isfinite(increment)) return values;
    double first = std::ceil(FMinimum / increment - 1e-9);
    double last = std::floor(FMaximum / increment + 1e-9);
    if (!std::isfinite(first) || !std::isfinite(last)) return values;
    for (double k = first; k <= last && values.size() < limit; k += 1) values.push_back(k * increment);
    return values;
}
