vs_core_test(reports_core_tests
    reports/TreeWalkerTest.cpp
    reports/ReportWritersTest.cpp
    shell/FakeListing.cpp
    platform/FsFixture.cpp)
if(VS_WINDOWS)
    target_compile_definitions(reports_core_tests PRIVATE VS_REPORTS_GOLDEN_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/reports/golden"
        VS_REPORTS_TEST_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/reports")
else()
    target_compile_definitions(reports_core_tests PRIVATE VS_REPORTS_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/reports/golden"
        VS_REPORTS_TEST_DIR="${CMAKE_CURRENT_SOURCE_DIR}/reports")
endif()
vs_win_test(reports_mainform_tests ui/UiTestEnv.cpp reports/MainFormReportsTest.cpp platform/FsFixture.cpp)
if(VS_WINDOWS)
    add_dependencies(reports_mainform_tests Voluscope)  # the switches' tests run the program
endif()
