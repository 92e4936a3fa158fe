vs_core_test(platform_tests
    platform/DosWildcardTest.cpp
    platform/DirListTest.cpp
    platform/VolumesTest.cpp
    platform/ProfileTest.cpp
    platform/FsFixture.cpp)
# Odd names through the listing and through vscan as a user runs it.
vs_core_test(platform_oddnames_tests platform/OddNamesTest.cpp platform/FsFixture.cpp)
add_dependencies(platform_oddnames_tests vscan)
if(VS_WINDOWS)
    target_compile_definitions(platform_oddnames_tests PRIVATE VS_VSCAN_EXE="Z:$<TARGET_FILE:vscan>")
else()
    target_compile_definitions(platform_oddnames_tests PRIVATE VS_VSCAN_EXE="$<TARGET_FILE:vscan>")
endif()
# The Win32 backend's own: long-path forms, and the folder list on odd names.
vs_win_test(platform_win_tests platform/LongPathTest.cpp platform/OddNamesListTest.cpp ui/UiTestEnv.cpp
    platform/FsFixture.cpp)
