vs_core_test(chart_core_tests chart/RecordingCanvas.cpp chart/ChartPieTest.cpp chart/ChartBarTest.cpp
    chart/ChartLayoutTest.cpp)
vs_win_test(chart_win_tests ui/UiTestEnv.cpp chart/ChartPanelTest.cpp)
# Not a test: times the GDI drawing (see bench/chart).
if(VS_WINDOWS)
    add_executable(chart_gdi_timing ${CMAKE_SOURCE_DIR}/bench/chart/ChartGdiTiming_win.cpp)
    target_link_libraries(chart_gdi_timing PRIVATE voluscope_win)
endif()
