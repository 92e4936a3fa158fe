list(APPEND VS_CORE_SOURCES
    src/chart/BarSeries.cpp
    src/chart/Chart.cpp
    src/chart/Chart3D.cpp
    src/chart/ChartAxis.cpp
    src/chart/ChartLegend.cpp
    src/chart/ChartSeries.cpp
    src/chart/ChartUtils.cpp
    src/chart/PieSeries.cpp)
list(APPEND VS_WIN_SOURCES
    src/chart/ChartPanel_win.cpp)
