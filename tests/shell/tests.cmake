vs_core_test(shell_foldersize_tests
    shell/FolderSizeCacheTest.cpp
    shell/FolderSizeFakeTest.cpp
    shell/FolderSizeDiskTest.cpp
    shell/FakeListing.cpp
    platform/FsFixture.cpp)
vs_core_test(shell_size_text_tests shell/SizeTextTest.cpp)
