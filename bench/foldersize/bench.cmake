# Folder-size benchmarks: cache lookups, totals from the cache, and the synthetic-tree maker that
# compare.sh uses.
add_library(vs_treemaker STATIC ${CMAKE_CURRENT_LIST_DIR}/TreeMaker.cpp)
target_include_directories(vs_treemaker PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_executable(vs_mktree ${CMAKE_CURRENT_LIST_DIR}/mktree.cpp)
target_link_libraries(vs_mktree PRIVATE vs_treemaker)

add_executable(foldersize_bench ${CMAKE_CURRENT_LIST_DIR}/FolderSizeBench.cpp)
target_link_libraries(foldersize_bench PRIVATE vs_treemaker voluscope_core benchmark::benchmark benchmark::benchmark_main)

# The scan tree's figures in one run: time to exact totals against the walk that keeps totals only, a
# mask change (with its directory reads counted by the tests' counting lister), memory, cancel latency.
add_executable(vs_treebench ${CMAKE_CURRENT_LIST_DIR}/TreeBench.cpp ${CMAKE_SOURCE_DIR}/tests/shell/FakeListing.cpp)
target_include_directories(vs_treebench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vs_treebench PRIVATE voluscope_core)
