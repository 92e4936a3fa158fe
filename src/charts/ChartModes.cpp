#include "charts/ChartModes.h"

#include "chart/Chart.h"
#include "chart/ChartSeries.h"

void ResetChartType(TChart& chart) {
    chart.SetOrthogonal(false);
    chart.SetView3D(false);
    chart.Series(1).SetActive(false);
    chart.Series(0).SetActive(false);
}

void ApplyChartType(TChart& chart, TChartType type) {
    bool pie = type == TChartType::ctPie || type == TChartType::ctPie3D || type == TChartType::ctTreemap;
    chart.Series(pie ? 0 : 1).SetActive(true);
    if (type == TChartType::ctPie3D || type == TChartType::ctBar3D) chart.SetView3D(true);
    if (type == TChartType::ctBar3D) chart.SetOrthogonal(true);
}

std::optional<TChartType> CurrentChartType(const TChart& chart) {
    bool view3D = chart.View3D();
    if (chart.Series(0).Active()) return view3D ? TChartType::ctPie3D : TChartType::ctPie;
    if (chart.Series(1).Active()) return view3D ? TChartType::ctBar3D : TChartType::ctBar;
    return std::nullopt;
}

TChartType NextChartType(TChartType type) {
    switch (type) {
        case TChartType::ctPie:
            return TChartType::ctPie3D;
        case TChartType::ctPie3D:
            return TChartType::ctBar;
        case TChartType::ctBar:
            return TChartType::ctBar3D;
        case TChartType::ctBar3D:
            return TChartType::ctTreemap;
        case TChartType::ctTreemap:
            return TChartType::ctPie;
    }
    return TChartType::ctPie;
}

std::string ChartPointKeyAt(const TChart& chart, int x, int y) {
    TChartClickedPart part = chart.CalcClickedPart(x, y);
    if (part.Part == TChartClickedPartStyle::cpSeries && part.ASeries) return part.ASeries->Key(part.PointIndex);
    if (part.Part == TChartClickedPartStyle::cpLegend)
        if (const TChartSeries* listed = chart.LegendSeries()) return listed->Key(part.PointIndex);
    return {};
}
