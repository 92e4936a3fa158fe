#include "chart/ChartUtils.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

constexpr TColor kPalette[16] = {
    RgbColor(255, 0, 0),     RgbColor(0, 128, 0),     RgbColor(255, 255, 0), RgbColor(0, 0, 255),
    RgbColor(255, 255, 255), RgbColor(128, 128, 128), RgbColor(255, 0, 255), RgbColor(0, 128, 128),
    RgbColor(0, 0, 128),     RgbColor(128, 0, 0),     RgbColor(0, 255, 0),   RgbColor(128, 128, 0),
    RgbColor(128, 0, 128),   RgbColor(192, 192, 192), RgbColor(0, 255, 255), RgbColor(0, 0, 0),
};

int ClampByte(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace

TColor PaletteColor(int index) {
    int i = index % 16;
    if (i < 0) i += 16;
    return kPalette[i];
}

TColor ApplyDark(TColor color, int quantity) {
    return RgbColor(ClampByte(RedOf(color) - quantity), ClampByte(GreenOf(color) - quantity),
                    ClampByte(BlueOf(color) - quantity));
}

TColor BlendColor(TColor from, TColor to, double t) {
    if (!(t > 0)) t = 0;
    if (t > 1) t = 1;
    auto mix = [t](int a, int b) { return ClampByte(RoundToInt(a + (b - a) * t)); };
    return RgbColor(mix(RedOf(from), RedOf(to)), mix(GreenOf(from), GreenOf(to)), mix(BlueOf(from), BlueOf(to)));
}

std::string FormatChartValue(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.3f", value);
    std::string digits(buf);
    bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.erase(0, 1);
    std::string whole = digits, frac;
    if (auto dot = digits.find('.'); dot != std::string::npos) {
        whole = digits.substr(0, dot);
        frac = digits.substr(dot + 1);
    }
    while (!frac.empty() && frac.back() == '0') frac.pop_back();
    std::string grouped;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
        grouped += whole[i];
    }
    std::string out = grouped;
    if (!frac.empty()) out += "." + frac;
    if (negative && out != "0") out = "-" + out;
    return out;
}

int MulDivRound(int a, int b, int c) {
    if (c == 0) return 0;
    std::int64_t p = static_cast<std::int64_t>(a) * b;
    std::int64_t q = p / c, r = p % c;
    // Round half away from zero.
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<std::int64_t>(c) : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
    if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min()) return 0;
    return static_cast<int>(q);
}

int RoundToInt(double value) {
    if (std::isnan(value)) return 0;
    // Far beyond any device, yet sums of a few such coordinates still fit an int.
    constexpr double kLimit = 1 << 28;
    double r = std::round(value);
    if (r >= kLimit) return static_cast<int>(kLimit);
    if (r <= -kLimit) return -static_cast<int>(kLimit);
    return static_cast<int>(r);
}

double SafeValue(double value) {
    if (std::isnan(value)) return 0;
    if (value > 1e300) return 1e300;
    if (value < -1e300) return -1e300;
    return value;
}

std::string LineSeparatorsToSpaces(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch == '\r' || ch == '\n') ch = ' ';
    return out;
}
