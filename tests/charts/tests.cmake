vs_core_test(charts_core_tests chart/RecordingCanvas.cpp charts/ChartDataTest.cpp charts/ChartModesTest.cpp
    charts/JpegWriterTest.cpp)
