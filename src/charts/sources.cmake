list(APPEND VS_CORE_SOURCES
    src/charts/ChartData.cpp
    src/charts/ChartModes.cpp
    src/charts/JpegWriter.cpp
    src/charts/Treemap.cpp)
list(APPEND VS_WIN_SOURCES
    src/charts/ChartPicture_win.cpp
    src/charts/TreemapPanel_win.cpp)
