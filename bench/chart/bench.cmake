add_executable(chart_bench ${CMAKE_CURRENT_SOURCE_DIR}/chart/ChartBench.cpp ${CMAKE_CURRENT_SOURCE_DIR}/chart/RasterCanvas.cpp)
target_include_directories(chart_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/chart)
target_link_libraries(chart_bench PRIVATE voluscope_core benchmark::benchmark)
