list(APPEND VS_CORE_SOURCES
    src/charts/ChartData.cpp
    src/charts/ChartModes.cpp
    src/charts/JpegWriter.cpp)
# The main window's chart handlers (kept here so that the window's own source list stays as it is).
list(APPEND VS_WIN_SOURCES
    src/charts/ChartPicture_win.cpp
    src/app/MainFormCharts.cpp
    src/app/MainFormChartList.cpp)
