#pragma once
// Shared set-up of the chart tests: a chart with the program's two series (pie at index 0, bar at
// index 1), the four chart types, and sample data.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/PieSeries.h"
#include "chart/RecordingCanvas.h"

#include <gtest/gtest.h>

namespace charttest {

enum class TChartType { Pie2D, Pie3D, Bar2D, Bar3D };

struct TChartSetup {
    TPieSeries* Pie = nullptr;
    TBarSeries* Bar = nullptr;
};

inline TChartSetup AddProgramSeries(TChart& chart) {
    TChartSetup s;
    s.Pie = static_cast<TPieSeries*>(&chart.AddSeries(std::make_unique<TPieSeries>()));
    s.Bar = static_cast<TBarSeries*>(&chart.AddSeries(std::make_unique<TBarSeries>()));
    return s;
}

// As the chart-type commands do: everything off, then the type's series and view.
inline void SetChartType(TChart& chart, const TChartSetup& s, TChartType type) {
    chart.SetOrthogonal(false);
    chart.SetView3D(false);
    s.Bar->SetActive(false);
    s.Pie->SetActive(false);
    bool pie = type == TChartType::Pie2D || type == TChartType::Pie3D;
    (pie ? static_cast<TChartSeries*>(s.Pie) : s.Bar)->SetActive(true);
    if (type == TChartType::Pie3D || type == TChartType::Bar3D) chart.SetView3D(true);
    if (type == TChartType::Bar3D) chart.SetOrthogonal(true);
}

inline const std::vector<std::pair<std::string, double>>& SampleFolders() {
    static const std::vector<std::pair<std::string, double>> folders = {
        {"Windows", 24.1e9}, {"Program Files", 11.6e9}, {"Users", 38.2e9},   {"ProgramData", 4.3e9},
        {"Temp", 2.2e9},     {"Games", 15.7e9},         {"Recovery", 1.1e9}, {"Drivers", 0.6e9},
    };
    return folders;
}

inline void FillSample(TChartSeries& series) {
    series.Clear();
    for (const auto& [label, value] : SampleFolders()) series.Add(value, label);
}

// A chart with the program's series, set to one chart type, drawn on a recording canvas.
class TChartTest : public ::testing::Test {
protected:
    TChartTest(TChartType type, int width, int height) : FWidth(width), FHeight(height) {
        FSetup = AddProgramSeries(FChart);
        SetChartType(FChart, FSetup, type);
    }
    TRecordingCanvas& Draw(int width = 0, int height = 0) {
        FCanvas = TRecordingCanvas();
        FChart.Draw(FCanvas, width ? width : FWidth, height ? height : FHeight);
        return FCanvas;
    }

    int FWidth, FHeight;
    TChart FChart;
    TChartSetup FSetup;
    TRecordingCanvas FCanvas;
};

}  // namespace charttest
