#include "charts/ChartData.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "chart/ChartAxis.h"
#include "chart/ChartSeries.h"
#include "shell/SizeText.h"

namespace {

// A point's value as a whole number of bytes; values beyond the 64-bit range saturate and NaN is 0.
std::int64_t ValueToInt64(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = 9223372036854775807.0;  // rounds to 2^63
    if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::string WithoutCommas(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ',') out += c;
    return out;
}

}  // namespace

void SetValueAxisMetric(TChartAxis& axis, TChartMetric metric) {
    axis.LabelUnit = metric == TChartMetric::cmCount ? 1 : 1024;
}

bool ReadInt64(std::string_view text, std::int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    // Accumulate negatively so that the minimum value reads too.
    std::int64_t v = 0;
    constexpr std::int64_t kMinimum = std::numeric_limits<std::int64_t>::min();
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        int d = c - '0';
        if (v < (kMinimum + d) / 10) return false;
        v = v * 10 - d;
    }
    if (!negative) {
        if (v == kMinimum) return false;
        v = -v;
    }
    value = v;
    return true;
}

std::string ChartRowKey(std::uint64_t rowId) {
    return rowId ? std::to_string(rowId) : std::string();
}

std::uint64_t ChartKeyRowId(std::string_view key) {
    std::int64_t id = 0;
    return !key.empty() && key[0] != '-' && key[0] != '+' && ReadInt64(key, id) ? static_cast<std::uint64_t>(id) : 0;
}

std::int64_t ChartMetricValue(const TChartRow& row, TChartMetric metric) {
    switch (metric) {
        case TChartMetric::cmSize:
            return row.Size < 0 ? 0 : row.Size;
        case TChartMetric::cmSlack:
            if (row.Size < 0 || row.UsedSize < 0) return 0;
            return row.UsedSize - row.Size;  // both non-negative: cannot overflow
        case TChartMetric::cmCount:
            if (!row.IsFolder) return 1;
            return row.FileCount < 0 ? 0 : row.FileCount;
        case TChartMetric::cmGrowth:
            return row.Growth > 0 ? row.Growth : 0;
    }
    return 0;
}

bool BuildChartPoints(TChartSeries& series, const std::vector<TChartRow>& rows, TChartMetric metric, bool fileTypes) {
    series.Clear();
    bool added = false;
    if (!fileTypes) {
        for (const TChartRow& row : rows)
            if (row.IsFolder) {
                // Folders decide the mode even when none of them grew.
                added = true;
                const std::int64_t value = ChartMetricValue(row, metric);
                if (metric == TChartMetric::cmGrowth && value <= 0) continue;
                series.Add(static_cast<double>(value), row.DisplayName, clTeeColor, ChartRowKey(row.RowId));
            }
        if (added) return false;
    }
    // One pass over the files with a hash lookup per file. The sums are kept here and the points
    // added at the end, in the order of each type's first file; each file's value is converted to
    // double and added to its type's running sum, in list order.
    std::unordered_map<std::string_view, size_t> index;
    std::vector<const std::string*> labels;
    std::vector<double> sums;
    for (const TChartRow& row : rows) {
        if (!row.IsFile) continue;
        const std::int64_t bytes = ChartMetricValue(row, metric);
        if (metric == TChartMetric::cmGrowth && bytes <= 0) continue;
        double value = static_cast<double>(bytes);
        auto [it, inserted] = index.try_emplace(row.TypeName, sums.size());
        if (inserted) {
            labels.push_back(&row.TypeName);
            sums.push_back(value);
        } else {
            sums[it->second] += value;
        }
    }
    for (size_t i = 0; i < sums.size(); ++i) series.Add(sums[i], *labels[i]);
    return true;
}

std::string ChartCaption(std::string_view path, std::string_view displayName) {
    bool unc = path.substr(0, 2) == "\\\\";
    std::string p;
    p.reserve(path.size() + 2);
    for (size_t i = 0; i < path.size(); ++i) {
        p += path[i];
        if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
    }
    if (unc) p.insert(p.begin(), '\\');
    if (p.empty() || p.back() != '\\') p += '\\';
    std::string shown;
    if (p.substr(0, 2) == "::")
        shown = displayName;
    else if (unc || (p.size() > 1 && p[1] == ':'))
        shown = p;
    else
        shown = displayName;
    return " " + shown;
}

std::string ChartFooterText(TChartMetric metric, int pointCount) {
    if (pointCount == 0) return "No Data Available";
    switch (metric) {
        case TChartMetric::cmSize:
            return "Total File Size";
        case TChartMetric::cmSlack:
            return "Total Slack Space";
        case TChartMetric::cmCount:
            return "Total File Count";
        case TChartMetric::cmGrowth:
            return "Growth Since the Earlier Scan";
    }
    return {};
}

std::string ChartLegendText(const TChartSeries& series, int index, std::string_view text, TChartMetric metric) {
    if (metric == TChartMetric::cmCount) return std::string(text);
    size_t space = text.rfind(' ');
    if (space == std::string_view::npos) return std::string(text);
    std::int64_t bytes = ValueToInt64(series.Value(index));
    return std::string(text.substr(0, space + 1)) + "(" + FormatBytes('A', bytes) + ")";
}

std::string ChartAxisLabel(const TChartAxis& axis, std::string_view text, TChartMetric metric) {
    if (metric == TChartMetric::cmCount || axis.Horizontal()) return std::string(text);
    std::int64_t bytes;
    if (!ReadInt64(WithoutCommas(text), bytes) || bytes < 0) return std::string(text);
    return FormatBytesKB(bytes);
}
