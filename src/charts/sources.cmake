list(APPEND VS_CORE_SOURCES
    src/charts/ChartData.cpp
    src/charts/ChartModes.cpp
    src/charts/JpegWriter.cpp)
