# The treemap's layout, paint and hit-test figures on a synthetic scan tree (see TreemapBench.cpp); the
# Windows build makes the same program (tests/charts/tests.cmake) for the figure under Wine.
add_executable(vs_treemapbench ${CMAKE_CURRENT_LIST_DIR}/TreemapBench.cpp)
target_link_libraries(vs_treemapbench PRIVATE voluscope_core)
