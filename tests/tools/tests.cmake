# vscan's report options, run as a program (POSIX; the program's own switches are tested under Wine).
if(NOT VS_WINDOWS)
    vs_core_test(tools_vscan_report_tests tools/VscanReportTest.cpp)
    target_compile_definitions(tools_vscan_report_tests PRIVATE VS_VSCAN="$<TARGET_FILE:vscan>")
    add_dependencies(tools_vscan_report_tests vscan)
endif()
