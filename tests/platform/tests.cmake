vs_core_test(platform_tests
    platform/DosWildcardTest.cpp
    platform/DirListTest.cpp
    platform/VolumesTest.cpp
    platform/ProfileTest.cpp
    platform/FsFixture.cpp)
# Files as a user meets them through vscan: odd names, and reports written over earlier ones.
vs_core_test(platform_files_tests platform/OddNamesTest.cpp platform/OutFileTest.cpp platform/FsFixture.cpp)
add_dependencies(platform_files_tests vscan)
if(VS_WINDOWS)
    target_compile_definitions(platform_files_tests PRIVATE VS_VSCAN_EXE="Z:$<TARGET_FILE:vscan>")
else()
    target_compile_definitions(platform_files_tests PRIVATE VS_VSCAN_EXE="$<TARGET_FILE:vscan>")
endif()
# The Win32 backend's own: long-path forms, and the folder list on odd names.
vs_win_test(platform_win_tests platform/LongPathTest.cpp platform/OddNamesListTest.cpp ui/UiTestEnv.cpp
    platform/FsFixture.cpp)
