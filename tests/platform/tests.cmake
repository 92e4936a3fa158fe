vs_core_test(platform_listing_tests
    platform/DosWildcardTest.cpp
    platform/DirListTest.cpp
    platform/VolumesTest.cpp
    platform/FsFixture.cpp)
