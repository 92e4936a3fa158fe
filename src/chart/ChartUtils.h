#pragma once
// Small helpers of the charting component: the colour palette, shading, number texts and the
// rounding used by the geometry. Portable.
#include <string>
#include <string_view>

#include "chart/ChartCanvas.h"

// The 16 colours given to points with the automatic colour, by point index modulo 16.
TColor PaletteColor(int index);

// The colour with `quantity` taken from each of red, green and blue (not below 0).
TColor ApplyDark(TColor color, int quantity);

// Linear mix of two colours: t = 0 gives `from`, t = 1 gives `to`.
TColor BlendColor(TColor from, TColor to, double t);

// A value as "#,##0.###": thousands grouped with ",", up to three decimals, trailing zeros dropped.
// NaN and infinities read "NAN", "INF" and "-INF".
std::string FormatChartValue(double value);

// a * b / c rounded half away from zero, as the Win32 MulDiv; 0 when c is 0 or the result does not fit.
int MulDivRound(int a, int b, int c);

// Round half away from zero into an int, saturating at +-2^28 pixels; NaN gives 0. Geometry comes
// from doubles that may be huge or not finite, and converting those directly is undefined.
int RoundToInt(double value);

// Values as the geometry uses them: NaN becomes 0 and magnitudes are limited to 1e300, so sums,
// ranges and scales stay finite.
double SafeValue(double value);

// Replaces every line separator (carriage return, line feed) with a space.
std::string LineSeparatorsToSpaces(std::string_view text);
