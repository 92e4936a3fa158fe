vs_core_test(charts_core_tests chart/RecordingCanvas.cpp charts/ChartDataTest.cpp charts/ChartModesTest.cpp
    charts/JpegWriterTest.cpp charts/TreemapTest.cpp shell/FakeListing.cpp)
vs_win_test(charts_mainform_tests ui/UiTestEnv.cpp charts/MainFormChartTest.cpp)
# Not a test: times UpdateChart with the drawing in the real main window (see bench/charts).
if(VS_WINDOWS)
    add_executable(chart_update_timing ${CMAKE_SOURCE_DIR}/bench/charts/ChartsUpdateTiming_win.cpp)
    target_link_libraries(chart_update_timing PRIVATE voluscope_win)
endif()
# Not a test: the treemap's figures under Wine (bench/treemap).
if(VS_WINDOWS)
    add_executable(vs_treemapbench ${CMAKE_SOURCE_DIR}/bench/treemap/TreemapBench.cpp)
    target_link_libraries(vs_treemapbench PRIVATE voluscope_core)
endif()
