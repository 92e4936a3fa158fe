// Rebuilding the folder chart: a folder of 10,000 sub-folders, and one of 100,000 files charted by
// type, from the listed items to the drawn chart (1000 x 700, software rasteriser, flat pie and
// bars). The reference is the same build with the type found by a linear search through the
// points added so far, as a plain implementation would do.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "RasterCanvas.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/PieSeries.h"
#include "charts/ChartData.h"

namespace {

std::vector<TChartRow> SubFolders(int count) {
    std::vector<TChartRow> rows(count);
    for (int i = 0; i < count; ++i) {
        TChartRow& r = rows[i];
        r.DisplayName = "Folder " + std::to_string(i);
        r.Path = "C:\\Data\\" + r.DisplayName;
        r.TypeName = "File folder";
        r.IsFolder = true;
        r.Size = 1000 + (static_cast<std::int64_t>(i) * 7919) % 1000000;
        r.UsedSize = r.Size + 4096;
        r.FileCount = i % 50;
    }
    return rows;
}

// Files with `types` distinct type names, in a scattered order.
std::vector<TChartRow> Files(int count, int types) {
    std::vector<TChartRow> rows(count);
    for (int i = 0; i < count; ++i) {
        TChartRow& r = rows[i];
        r.DisplayName = "file" + std::to_string(i) + ".dat";
        r.Path = "C:\\Data\\" + r.DisplayName;
        r.TypeName = "Type " + std::to_string((static_cast<std::int64_t>(i) * 7919) % types) + " File";
        r.IsFile = true;
        r.Size = 100 + i % 100000;
        r.UsedSize = (r.Size + 4095) / 4096 * 4096;
    }
    return rows;
}

// The type pass with a linear search over the points, stopping at the first empty label.
void BuildByTypeLinear(TChartSeries& series, const std::vector<TChartRow>& rows, TChartMetric metric) {
    series.Clear();
    for (const TChartRow& row : rows) {
        if (!row.IsFile) continue;
        double value = static_cast<double>(ChartMetricValue(row, metric));
        int found = -1;
        for (int j = 0; j < series.Count(); ++j) {
            const std::string& label = series.Points()[j].Label;
            if (label.empty()) break;
            if (label == row.TypeName) {
                found = j;
                break;
            }
        }
        if (found >= 0)
            series.SetValue(found, series.Value(found) + value);
        else
            series.Add(value, row.TypeName);
    }
}

struct TBenchChart {
    TChart Chart;
    TChartSeries* Active;
    explicit TBenchChart(bool bars) {
        auto& pie = Chart.AddSeries(std::make_unique<TPieSeries>());
        auto& bar = Chart.AddSeries(std::make_unique<TBarSeries>());
        bar.SetActive(false);
        pie.SetActive(false);
        Active = bars ? &bar : &pie;
        Active->SetActive(true);
    }
};

// range(0): 0 sub-folders, 1 files by type; range(1): types (files only); range(2): 0 pie, 1 bars;
// range(3): 1 linear reference.
void BM_UpdateChart(benchmark::State& state) {
    bool byType = state.range(0) != 0;
    auto rows = byType ? Files(100000, static_cast<int>(state.range(1))) : SubFolders(10000);
    TBenchChart b(state.range(2) != 0);
    TRasterCanvas canvas(1000, 700);
    bool linear = state.range(3) != 0;
    for (auto _ : state) {
        if (linear)
            BuildByTypeLinear(*b.Active, rows, TChartMetric::cmSize);
        else
            BuildChartPoints(*b.Active, rows, TChartMetric::cmSize, byType);
        b.Chart.Foot().SetText({ChartFooterText(TChartMetric::cmSize, b.Active->Count())});
        b.Chart.Draw(canvas, 1000, 700);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
    state.SetLabel(
        std::string(byType ? "100,000 files, " + std::to_string(state.range(1)) + " types" : "10,000 sub-folders") +
        (state.range(2) ? ", bars" : ", pie") + (linear ? ", linear search" : ""));
}

}  // namespace

BENCHMARK(BM_UpdateChart)
    ->Args({0, 0, 0, 0})
    ->Args({0, 0, 1, 0})
    ->Args({1, 50, 0, 0})
    ->Args({1, 50, 0, 1})
    ->Args({1, 1000, 0, 0})
    ->Args({1, 1000, 0, 1})
    ->Args({1, 1000, 1, 0})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
