# Live refresh on a large tree (uses the folder-size benchmarks' tree maker).
add_executable(live_bench ${CMAKE_CURRENT_LIST_DIR}/LiveBench.cpp)
target_link_libraries(live_bench PRIVATE vs_treemaker voluscope_core voluscope_platform)
