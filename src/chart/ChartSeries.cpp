#include "chart/ChartSeries.h"

#include "chart/Chart.h"
#include "chart/ChartUtils.h"

void TChartSeries::SetActive(bool value) {
    FActive = value;
    Changed();
}

void TChartSeries::Clear() {
    FPoints.clear();
    Changed();
}

int TChartSeries::Add(double value, std::string_view label, TColor color, std::string_view key) {
    FPoints.push_back({std::string(label), value, color, std::string(key)});
    Changed();
    return Count() - 1;
}

std::string TChartSeries::Label(int index) const {
    if (index < 0 || index >= Count()) return {};
    return FPoints[static_cast<size_t>(index)].Label;
}

std::string TChartSeries::Key(int index) const {
    if (index < 0 || index >= Count()) return {};
    return FPoints[static_cast<size_t>(index)].Key;
}

double TChartSeries::Value(int index) const {
    if (index < 0 || index >= Count()) return 0;
    return FPoints[static_cast<size_t>(index)].Value;
}

void TChartSeries::SetValue(int index, double value) {
    if (index < 0 || index >= Count()) return;
    FPoints[static_cast<size_t>(index)].Value = value;
    Changed();
}

TColor TChartSeries::ValueColor(int index) const {
    if (index < 0 || index >= Count()) return clNone;
    TColor c = FPoints[static_cast<size_t>(index)].Color;
    return c == clTeeColor ? PaletteColor(index) : c;
}

std::string TChartSeries::LegendText(int index) const {
    return LineSeparatorsToSpaces(Label(index)) + " " + FormatChartValue(Value(index));
}

void TChartSeries::Changed() {
    if (FParentChart) FParentChart->Changed();
}
