vs_core_test(chart_core_tests chart/RecordingCanvas.cpp chart/ChartPieTest.cpp chart/ChartBarTest.cpp
    chart/ChartLayoutTest.cpp)
vs_win_test(chart_win_tests chart/ChartPanelTest.cpp)
