# Folder chart: building the points from the listed items and drawing them.
add_executable(charts_bench ${CMAKE_CURRENT_LIST_DIR}/ChartsBench.cpp ${CMAKE_CURRENT_LIST_DIR}/../chart/RasterCanvas.cpp)
target_include_directories(charts_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../chart)
target_link_libraries(charts_bench PRIVATE voluscope_core benchmark::benchmark)
