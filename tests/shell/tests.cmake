vs_core_test(shell_foldersize_tests
    shell/FolderSizeCacheTest.cpp
    shell/FolderSizeFakeTest.cpp
    shell/FolderSizeDiskTest.cpp
    shell/FakeListing.cpp
    platform/FsFixture.cpp)
# The shell item model and the folder list.
vs_core_test(shell_rows_tests shell/ShellRowsTest.cpp)
vs_win_test(shell_listview_tests shell/ShellListViewTest.cpp ui/UiTestEnv.cpp platform/FsFixture.cpp)
