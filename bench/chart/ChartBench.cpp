// Drawing and hit-testing charts of 10,000 points in each chart type into a 1000 x 700 target
// through the software rasteriser.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "RasterCanvas.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/PieSeries.h"

namespace {

enum TType { Pie2D, Pie3D, Bar2D, Bar3D };

struct TBenchChart {
    TChart Chart;
    TPieSeries* Pie;
    TBarSeries* Bar;

    TBenchChart(TType type, int points, bool legend) {
        Pie = static_cast<TPieSeries*>(&Chart.AddSeries(std::make_unique<TPieSeries>()));
        Bar = static_cast<TBarSeries*>(&Chart.AddSeries(std::make_unique<TBarSeries>()));
        Bar->SetActive(false);
        Pie->SetActive(false);
        TChartSeries* active = type == Pie2D || type == Pie3D ? static_cast<TChartSeries*>(Pie) : Bar;
        active->SetActive(true);
        Chart.SetView3D(type == Pie3D || type == Bar3D);
        Chart.SetOrthogonal(type == Bar3D);
        for (int i = 0; i < points; ++i) active->Add(1000.0 + (i * 7919) % 100000, "Folder " + std::to_string(i));
        Chart.Foot().SetText({"Total File Size"});
        Chart.Legend().SetVisible(legend);
    }
};

void BM_ChartDraw(benchmark::State& state) {
    TBenchChart b(static_cast<TType>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    TRasterCanvas canvas(1000, 700);
    for (auto _ : state) {
        b.Chart.Draw(canvas, 1000, 700);
        benchmark::DoNotOptimize(canvas.Pixels().data());
    }
    state.SetLabel(std::string(state.range(0) == Pie2D   ? "2D pie"
                               : state.range(0) == Pie3D ? "3D pie"
                               : state.range(0) == Bar2D ? "2D bar"
                                                         : "3D bar") +
                   (state.range(2) ? ", legend" : ""));
}

void BM_ChartHitTest(benchmark::State& state) {
    TBenchChart b(static_cast<TType>(state.range(0)), static_cast<int>(state.range(1)), true);
    TRasterCanvas canvas(1000, 700);
    b.Chart.Draw(canvas, 1000, 700);
    int x = 0;
    for (auto _ : state) {
        x = (x + 37) % 1000;
        benchmark::DoNotOptimize(b.Chart.CalcClickedPart(x, 350));
    }
}

}  // namespace

BENCHMARK(BM_ChartDraw)
    ->ArgsProduct({{Pie2D, Pie3D, Bar2D, Bar3D}, {10000}, {0, 1}})
    ->Args({Bar2D, 100, 0})
    ->Args({Bar3D, 100, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartHitTest)->ArgsProduct({{Pie2D, Pie3D, Bar2D, Bar3D}, {10000}})->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
