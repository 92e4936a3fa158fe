# Saved scans: the ncdu JSON writer and reader, and the comparison of two scans.
vs_core_test(scans_tests
    scans/ScanFileTest.cpp
    scans/ScanDiffTest.cpp
    scans/ScanFolderRowsTest.cpp
    scans/ScanHistoryTest.cpp
    scans/ScanKeeperTest.cpp
    shell/FakeListing.cpp)
# Round trips through ncdu and gdu themselves (POSIX, where both are installed: scripts/deps.sh).
if(NOT VS_WINDOWS)
    find_program(VS_NCDU ncdu)
    find_program(VS_GDU gdu)
    if(VS_NCDU AND VS_GDU)
        vs_core_test(scans_roundtrip_tests scans/RoundTripTest.cpp)
        target_compile_definitions(scans_roundtrip_tests PRIVATE VS_VSCAN="$<TARGET_FILE:vscan>")
        add_dependencies(scans_roundtrip_tests vscan)
    else()
        message(WARNING "ncdu or gdu is missing: the round trips of saved scans through them are not tested")
    endif()
endif()
# The program's /json switch, run as a process.
vs_win_test(scans_switch_tests scans/JsonSwitchTest.cpp)
if(VS_WINDOWS)
    add_dependencies(scans_switch_tests Voluscope)
endif()
# "Save Scan..." in the main window.
vs_win_test(scans_window_tests ui/UiTestEnv.cpp scans/SaveScanTest.cpp scans/OpenScanTest.cpp)
# "Compare With..." in the main window.
vs_win_test(scans_compare_tests ui/UiTestEnv.cpp scans/CompareTest.cpp)
# "Keep Scan History" in the main window.
vs_win_test(scans_history_tests ui/UiTestEnv.cpp scans/HistoryTest.cpp)
