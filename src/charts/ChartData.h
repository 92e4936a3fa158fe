#pragma once
// The chart of the current folder, independent of any window: the listed items reduced to chart
// rows, the points built from them (one per sub-folder, or one per file type), the caption and
// footer texts, and the legend and axis texts rewritten as sizes. Portable.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TChart;
class TChartAxis;
class TChartSeries;

// What one listed item contributes to the chart. Figures are -1 while not known (folder sizes off).
struct TChartRow {
    std::string DisplayName;  // label of a sub-folder point
    std::string Path;         // the folder's path
    std::uint64_t RowId = 0;  // the folder model's id of the row: a click on its point leads to the row
    std::string TypeName;     // label of a file-type point
    bool IsFolder = false;
    bool IsFile = false;  // a file-system object that is not a folder
    std::int64_t Size = -1;
    std::int64_t UsedSize = -1;  // disk space allocated, cluster-rounded
    std::int64_t FileCount = -1;
    // Bytes grown since the baseline the list compares with: 0 when it shrank, did not change or is not
    // known (no baseline, figures still counting).
    std::int64_t Growth = 0;
};

// cmGrowth charts what grew since a baseline: only growth is charted (a slice or a bar cannot be
// negative), so folders and file types that shrank or did not change get no point.
enum class TChartMetric { cmSize, cmSlack, cmCount, cmGrowth };

// The metric value of one row. Unknown figures count as 0, so a folder whose slack or file count
// was never computed adds nothing rather than a negative slice.
std::int64_t ChartMetricValue(const TChartRow& row, TChartMetric metric);

// Clears `series` and fills it from `rows`, in list order: one point per folder unless
// `fileTypes`, keyed by ChartRowKey of its row; when by file type, or when no folder was listed, one point
// per distinct TypeName of the files, at the position of its first file, holding the sum over its
// files, with no key. Items that are neither folders nor files are not charted. Returns true when the
// file-type pass ran.
bool BuildChartPoints(TChartSeries& series, const std::vector<TChartRow>& rows, TChartMetric metric, bool fileTypes);

// A folder point's key: its row id in decimal (empty for 0, no row); ChartKeyRowId reads it back (0 for
// anything else).
std::string ChartRowKey(std::uint64_t rowId);
std::uint64_t ChartKeyRowId(std::string_view key);

// The text of the caption strip above the chart (with its leading space): the path with doubled
// backslashes made single (a UNC path keeps its two), ending in a backslash; for "::" paths and
// paths that are neither drive nor UNC paths, the display name.
std::string ChartCaption(std::string_view path, std::string_view displayName);

// The footer line: "No Data Available" for an empty series, else the metric's title.
std::string ChartFooterText(TChartMetric metric, int pointCount);

// The legend entry of point `index` of `series` as the size and slack metrics show it: the text up
// to its last space, then the point's value as a size in parentheses ("Program Files (3 GB)").
// The size comes from the point's value, so the text's number format does not matter. With the
// count metric, or without a space, the text is returned unchanged.
std::string ChartLegendText(const TChartSeries& series, int index, std::string_view text, TChartMetric metric);

// An axis label as the size and slack metrics show it: on the value axis a whole number of bytes
// (commas allowed) of 0 or more becomes kilobytes ("2KB"). Category labels (folder and type
// names) and other texts stay as they are.
std::string ChartAxisLabel(const TChartAxis& axis, std::string_view text, TChartMetric metric);

// Sets the value axis's label steps for a metric: whole kilobytes for sizes and slack (the texts
// ChartAxisLabel gives), whole files for counts.
void SetValueAxisMetric(TChartAxis& axis, TChartMetric metric);

// Reads a signed 64-bit integer made of an optional "-" and digits only; false otherwise
// (empty, other characters, out of range).
bool ReadInt64(std::string_view text, std::int64_t& value);
