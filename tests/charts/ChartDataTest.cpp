// The folder chart's data builder, caption, footer, legend and axis texts.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/ChartAxis.h"
#include "chart/PieSeries.h"
#include "chart/RecordingCanvas.h"
#include "charts/ChartData.h"

namespace {

using TPoints = std::vector<std::pair<std::string, double>>;

TChartRow Folder(std::string name, std::int64_t size, std::int64_t used = -1, std::int64_t count = -1) {
    TChartRow r;
    r.DisplayName = name;
    r.Path = "C:\\Data\\" + name;
    r.RowId = (std::hash<std::string>()(name) & 0xffffffff) | 1;  // a row id the folder keeps wherever its row stands
    r.TypeName = "File folder";
    r.IsFolder = true;
    r.Size = size;
    r.UsedSize = used;
    r.FileCount = count;
    return r;
}

TChartRow File(std::string name, std::string type, std::int64_t size, std::int64_t used) {
    TChartRow r;
    r.DisplayName = name;
    r.Path = "C:\\Data\\" + name;
    r.TypeName = type;
    r.IsFile = true;
    r.Size = size;
    r.UsedSize = used;
    r.FileCount = -1;
    return r;
}

TChartRow Grown(TChartRow row, std::int64_t growth) {
    row.Growth = growth;
    return row;
}

// A virtual object (neither file nor folder), such as a printer in a shell folder.
TChartRow Virtual(std::string name) {
    TChartRow r;
    r.DisplayName = name;
    r.TypeName = "Printer";
    r.Size = 10;
    return r;
}

TPoints PointsOf(const TChartSeries& s) {
    TPoints out;
    for (int i = 0; i < s.Count(); ++i) out.emplace_back(s.Label(i), s.Value(i));
    return out;
}

struct TBuildCase {
    const char* Name;
    std::vector<TChartRow> Rows;
    TChartMetric Metric;
    bool FileTypes;
    TPoints Expected;
    bool TypePass;
};

const std::vector<TChartRow>& MixedFolder() {
    static const std::vector<TChartRow> rows = {
        Folder("Windows", 3000, 3100, 7),
        Folder("Empty", 0, 0, 0),
        Folder("Users", 500, 512, 2),
        File("a.txt", "Text Document", 100, 4096),
        File("b.exe", "Application", 7000, 8192),
        File("c.txt", "Text Document", 5, 4096),
        Virtual("Printer"),
    };
    return rows;
}

const std::vector<TChartRow>& FilesOnly() {
    static const std::vector<TChartRow> rows = {
        File("A.doc", "Word", 1000, 4096),
        File("B.png", "Picture", 200, 4096),
        File("C.doc", "Word", 30, 4096),
        Virtual("Printer"),
    };
    return rows;
}

TEST(ChartBuilder, PointsFollowTheRules) {
    const std::vector<TBuildCase> cases = {
        {"one point per folder, list order, files left out",
         MixedFolder(),
         TChartMetric::cmSize,
         false,
         {{"Windows", 3000}, {"Empty", 0}, {"Users", 500}},
         false},
        {"slack per folder",
         MixedFolder(),
         TChartMetric::cmSlack,
         false,
         {{"Windows", 100}, {"Empty", 0}, {"Users", 12}},
         false},
        {"count per folder",
         MixedFolder(),
         TChartMetric::cmCount,
         false,
         {{"Windows", 7}, {"Empty", 0}, {"Users", 2}},
         false},
        {"by type even with folders listed",
         MixedFolder(),
         TChartMetric::cmSize,
         true,
         {{"Text Document", 105}, {"Application", 7000}},
         true},
        {"files only fall back to types: A and C share a type",
         FilesOnly(),
         TChartMetric::cmSize,
         false,
         {{"Word", 1030}, {"Picture", 200}},
         true},
        {"slack by type sums used less size",
         FilesOnly(),
         TChartMetric::cmSlack,
         true,
         {{"Word", 3096 + 4066}, {"Picture", 3896}},
         true},
        {"count by type counts files", FilesOnly(), TChartMetric::cmCount, true, {{"Word", 2}, {"Picture", 1}}, true},
        {"nothing listed", {}, TChartMetric::cmSize, false, {}, true},
        {"only virtual objects", {Virtual("Fax"), Virtual("Printer")}, TChartMetric::cmCount, false, {}, true},
        {"unknown figures of folders enter as 0",
         {Folder("Off1", 1234), Folder("Off2", -1)},
         TChartMetric::cmSlack,
         false,
         {{"Off1", 0}, {"Off2", 0}},
         false},
        {"unknown counts of folders enter as 0",
         {Folder("Off1", 1234), Folder("Off2", 5)},
         TChartMetric::cmCount,
         false,
         {{"Off1", 0}, {"Off2", 0}},
         false},
        {"unknown size of a file adds nothing",
         {File("x", "T", -1, -1), File("y", "T", 9, 4096)},
         TChartMetric::cmSize,
         true,
         {{"T", 9}},
         true},
        {"type names compare case-sensitively",
         {File("x", "Text", 1, 1), File("y", "TEXT", 2, 2), File("z", "Text", 4, 4)},
         TChartMetric::cmSize,
         true,
         {{"Text", 5}, {"TEXT", 2}},
         true},
        {"files of no type name form one point, and later types still group",
         {File("x", "", 1, 1), File("y", "", 2, 2), File("z", "Z", 4, 4), File("w", "Z", 8, 8)},
         TChartMetric::cmSize,
         true,
         {{"", 3}, {"Z", 12}},
         true},
        {"growth per folder: shrunk, unchanged and unknown folders get no point",
         {Grown(Folder("Grew", 10), 4096), Grown(Folder("Shrank", 10), -50), Folder("Same", 10),
          Grown(Folder("New", 10), 7), Grown(File("f.txt", "Text", 1, 1), 900)},
         TChartMetric::cmGrowth,
         false,
         {{"Grew", 4096}, {"New", 7}},
         false},
        {"growth of folders that all shrank charts nothing, and not their files",
         {Grown(Folder("Shrank", 10), -50), Grown(File("f.txt", "Text", 1, 1), 900)},
         TChartMetric::cmGrowth,
         false,
         {},
         false},
        {"growth by type sums the files that grew",
         {Grown(File("a.txt", "Text", 1, 1), 900), Grown(File("b.txt", "Text", 1, 1), -800),
          Grown(File("c.log", "Log", 1, 1), 0), Grown(File("d.txt", "Text", 1, 1), 100)},
         TChartMetric::cmGrowth,
         true,
         {{"Text", 1000}},
         true},
    };
    for (const TBuildCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChart chart;
        auto& pie = chart.AddSeries(std::make_unique<TPieSeries>());
        pie.Add(99, "left over from the last build");
        bool typePass = BuildChartPoints(pie, c.Rows, c.Metric, c.FileTypes);
        EXPECT_EQ(PointsOf(pie), c.Expected);
        EXPECT_EQ(typePass, c.TypePass);
        // A folder's point leads to its row by the row's id; a type's point stands for no row.
        for (int i = 0; i < pie.Count(); ++i)
            EXPECT_EQ(ChartKeyRowId(pie.Key(i)), typePass ? 0 : Folder(pie.Label(i), 0).RowId) << i;
    }
}

// The sums are formed in floating point in list order: 2^53 + 1 + 1 stays 2^53 when each 1 is
// added on its own, which a 64-bit integer sum converted once would not give.
TEST(ChartBuilder, TypeSumsAreFloatingPointInListOrder) {
    const std::int64_t big = std::int64_t(1) << 53;
    std::vector<TChartRow> rows = {File("a", "T", big, big), File("b", "T", 1, 1), File("c", "T", 1, 1)};
    TChart chart;
    auto& bar = chart.AddSeries(std::make_unique<TBarSeries>());
    BuildChartPoints(bar, rows, TChartMetric::cmSize, true);
    ASSERT_EQ(bar.Count(), 1);
    EXPECT_EQ(bar.Value(0), static_cast<double>(big));
}

TEST(ChartBuilder, ManyFilesOfManyTypesKeepFirstOccurrenceOrder) {
    std::vector<TChartRow> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back(File("f" + std::to_string(i), "T" + std::to_string(i % 700), i, i));
    TChart chart;
    auto& pie = chart.AddSeries(std::make_unique<TPieSeries>());
    BuildChartPoints(pie, rows, TChartMetric::cmCount, false);
    ASSERT_EQ(pie.Count(), 700);
    for (int t = 0; t < 700; ++t) {
        EXPECT_EQ(pie.Label(t), "T" + std::to_string(t));
        EXPECT_EQ(pie.Value(t), t < 3000 % 700 ? 5 : 4);
    }
}

TEST(ChartRowKey, ReadsBackOnlyTheIdsItWrote) {
    for (std::uint64_t id : {std::uint64_t{1}, std::uint64_t{42}, std::uint64_t{0x7fffffffffffffff}})
        EXPECT_EQ(ChartKeyRowId(ChartRowKey(id)), id);
    EXPECT_EQ(ChartRowKey(0), "");
    for (const char* key : {"", "0", "-3", "+3", "C:\\Data", "12x", "99999999999999999999"})
        EXPECT_EQ(ChartKeyRowId(key), 0u) << key;
}

TEST(ChartCaption, PathsAndNames) {
    struct TCase {
        const char* Path;
        const char* Name;
        const char* Expected;
    };
    const TCase cases[] = {
        {"C:\\Windows", "Windows", " C:\\Windows\\"},
        {"C:\\", "Local Disk (C:)", " C:\\"},
        {"C:\\\\Temp", "Temp", " C:\\Temp\\"},
        {"\\\\server\\share", "share", " \\\\server\\share\\"},
        {"\\\\server\\\\share\\", "share", " \\\\server\\share\\"},
        {"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "My Computer", " My Computer"},
        {"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{2227A280-3AEA-1069-A2DE-08002B30309D}", "Printers", " Printers"},
        {"Desktop", "Desktop", " Desktop"},
        {"", "Nothing", " Nothing"},
        {"\\\\", "Network", " \\\\"},
    };
    for (const TCase& c : cases) EXPECT_EQ(ChartCaption(c.Path, c.Name), c.Expected) << c.Path;
}

TEST(ChartFooter, FollowsMetricAndPoints) {
    EXPECT_EQ(ChartFooterText(TChartMetric::cmSize, 0), "No Data Available");
    EXPECT_EQ(ChartFooterText(TChartMetric::cmCount, 0), "No Data Available");
    EXPECT_EQ(ChartFooterText(TChartMetric::cmSize, 3), "Total File Size");
    EXPECT_EQ(ChartFooterText(TChartMetric::cmGrowth, 2), "Growth Since the Earlier Scan");
    EXPECT_EQ(ChartFooterText(TChartMetric::cmSlack, 1), "Total Slack Space");
    EXPECT_EQ(ChartFooterText(TChartMetric::cmCount, 9), "Total File Count");
}

TEST(ChartLegend, SizesComeFromThePointValue) {
    TChart chart;
    auto& pie = chart.AddSeries(std::make_unique<TPieSeries>());
    pie.Add(3221225472.0, "Program Files");
    pie.Add(2500, "Docs");
    pie.Add(5.0 * 1024 * 1024 * 1024, "My Big Folder");
    pie.Add(700, "Small");
    pie.Add(1e30, "Huge");
    struct TCase {
        int Index;
        const char* Text;  // as the chart composed it (or another locale would)
        TChartMetric Metric;
        const char* Expected;
    };
    const TCase cases[] = {
        {0, "Program Files 3,221,225,472", TChartMetric::cmSize, "Program Files (3 GB)"},
        {0, "Program Files 3,221,225,472", TChartMetric::cmSlack, "Program Files (3 GB)"},
        {1, "Docs 2,500", TChartMetric::cmCount, "Docs 2,500"},
        {1, "Docs 2,500", TChartMetric::cmSize, "Docs (2 KB)"},
        // Another locale's thousands separator: still the size, never (0).
        {2, "My Big Folder 5.368.709.120", TChartMetric::cmSize, "My Big Folder (5 GB)"},
        {2,
         "My Big Folder 5\xC2\xA0"
         "368\xC2\xA0"
         "709\xC2\xA0"
         "120",
         TChartMetric::cmSize, "My Big Folder (5 GB)"},
        {3, "Small 700", TChartMetric::cmSize, "Small (700)"},
        {3, "NoSpace", TChartMetric::cmSize, "NoSpace"},
        {4, "Huge 1E30", TChartMetric::cmSize, "Huge (8589934591 GB)"},
    };
    for (const TCase& c : cases) EXPECT_EQ(ChartLegendText(pie, c.Index, c.Text, c.Metric), c.Expected) << c.Text;
}

TEST(ChartAxisLabels, OnlyValueAxisBecomesKilobytes) {
    TChartAxis left(false), bottom(true);
    struct TCase {
        const TChartAxis* Axis;
        const char* Text;
        TChartMetric Metric;
        const char* Expected;
    };
    const TCase cases[] = {
        {&left, "0", TChartMetric::cmSize, "0KB"},
        {&left, "500,000", TChartMetric::cmSize, "488KB"},
        {&left, "1,500,000", TChartMetric::cmSlack, "1,464KB"},
        {&left, "2,048", TChartMetric::cmCount, "2,048"},
        {&left, "-1,024", TChartMetric::cmSize, "-1,024"},
        {&left, "0.5", TChartMetric::cmSize, "0.5"},
        {&left, "99999999999999999999", TChartMetric::cmSize, "99999999999999999999"},
        // Category labels keep the folder or type names, even names made of digits.
        {&bottom, "2048", TChartMetric::cmSize, "2048"},
        {&bottom, "1,024", TChartMetric::cmSlack, "1,024"},
        {&bottom, "Windows", TChartMetric::cmSize, "Windows"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ChartAxisLabel(*c.Axis, c.Text, c.Metric), c.Expected)
            << c.Text << " on " << (c.Axis == &left ? "value" : "category");
}

// The value axis of the bar types as the program draws it: for every range of values, each label
// different from the others and drawn whole inside the panel, never cut by its clip.
TEST(ChartAxisLabels, ValueAxisLabelsAreDistinctAndWhole) {
    const struct {
        const char* Name;
        std::vector<double> Values;
        TChartMetric Metric;
    } ranges[] = {
        {"tiny", {3, 1, 0}, TChartMetric::cmSize},
        {"one kilobyte", {1024, 100}, TChartMetric::cmSize},
        {"a few kilobytes", {6000, 10000, 700}, TChartMetric::cmSize},
        {"megabytes", {1.5e6, 3.2e6, 250e3}, TChartMetric::cmSize},
        {"gigabytes", {24.1e9, 38.2e9, 4.3e9, 0.6e9}, TChartMetric::cmSize},
        {"terabytes", {7.5e12, 1e9}, TChartMetric::cmSize},
        {"negative slack", {-5000, 20000, 300}, TChartMetric::cmSlack},
        {"all zero", {0, 0}, TChartMetric::cmSize},
        {"counts", {3, 1, 0, 2}, TChartMetric::cmCount},
        {"many files", {2500, 120000, 7}, TChartMetric::cmCount},
    };
    const struct {
        bool View3D;
        int Width, Height;
    } panels[] = {{false, 600, 400}, {true, 600, 400},  {false, 320, 180},
                  {true, 320, 180},  {false, 200, 150}, {true, 200, 150}};
    for (const auto& range : ranges)
        for (const auto& panel : panels) {
            SCOPED_TRACE(std::string(range.Name) + (panel.View3D ? " 3D " : " 2D ") + std::to_string(panel.Height));
            TChart chart;
            chart.AddSeries(std::make_unique<TPieSeries>()).SetActive(false);
            auto& bars = chart.AddSeries(std::make_unique<TBarSeries>());
            chart.SetView3D(panel.View3D);
            chart.SetOrthogonal(panel.View3D);
            SetValueAxisMetric(chart.LeftAxis(), range.Metric);
            chart.OnGetAxisLabel = [&](TChart&, const TChartAxis& axis, TChartSeries*, int, std::string& text) {
                text = ChartAxisLabel(axis, text, range.Metric);
            };
            chart.Foot().SetText({ChartFooterText(range.Metric, 1)});
            for (size_t i = 0; i < range.Values.size(); ++i) bars.Add(range.Values[i], "F" + std::to_string(i));
            TRecordingCanvas canvas;
            chart.Draw(canvas, panel.Width, panel.Height);

            std::set<std::string> texts;
            for (const TAxisLabel& l : chart.LeftAxis().Labels)
                EXPECT_TRUE(texts.insert(l.Text).second) << "label " << l.Text << " twice";
            EXPECT_FALSE(texts.empty());
            // Every label drawn lies inside the panel and inside the clip it is drawn under.
            const TScreenRect whole{0, 0, panel.Width, panel.Height};
            TScreenRect clip = whole;
            int drawn = 0;
            for (const TRecordedCall& c : canvas.Calls) {
                if (c.Kind == TRecordedCall::Clip) clip = c.Rect;
                if (c.Kind == TRecordedCall::Unclip) clip = whole;
                if (c.Kind != TRecordedCall::Write || c.Angle != 0 || !texts.count(c.Text)) continue;
                ++drawn;
                canvas.SetFont(c.Font);
                TScreenSize size = canvas.TextExtent(c.Text);
                const TScreenRect r{c.Points[0].X, c.Points[0].Y, c.Points[0].X + size.Width,
                                    c.Points[0].Y + size.Height};
                for (const TScreenRect& outer : {whole, clip})
                    EXPECT_TRUE(r.Left >= outer.Left && r.Top >= outer.Top && r.Right <= outer.Right &&
                                r.Bottom <= outer.Bottom)
                        << c.Text << " at " << r.Left << "," << r.Top << "-" << r.Right << "," << r.Bottom
                        << " outside " << outer.Left << "," << outer.Top << "-" << outer.Right << "," << outer.Bottom;
            }
            EXPECT_EQ(drawn, static_cast<int>(texts.size()));
        }
}

TEST(ReadInt64, WholeNumbersOnly) {
    struct TCase {
        const char* Text;
        bool Ok;
        std::int64_t Value;
    };
    const TCase cases[] = {
        {"0", true, 0},
        {"-12", true, -12},
        {"+7", true, 7},
        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"1 2", false, 0},
        {"12a", false, 0},
    };
    for (const TCase& c : cases) {
        std::int64_t v = 0;
        EXPECT_EQ(ReadInt64(c.Text, v), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(v, c.Value) << c.Text;
        }
    }
}

}  // namespace
