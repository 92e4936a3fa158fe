vs_core_test(platform_tests
    platform/DosWildcardTest.cpp
    platform/DirListTest.cpp
    platform/VolumesTest.cpp
    platform/ProfileTest.cpp
    platform/FsFixture.cpp)
