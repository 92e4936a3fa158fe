vs_core_test(shell_foldersize_tests
    shell/FolderSizeCacheTest.cpp
    shell/FolderSizeFakeTest.cpp
    shell/FolderSizeDiskTest.cpp
    shell/FolderSizeAsyncTest.cpp
    shell/FolderModelTest.cpp
    shell/ScanTreeTest.cpp
    shell/FakeListing.cpp
    platform/FsFixture.cpp)
vs_core_test(shell_size_text_tests shell/SizeTextTest.cpp)
# The shell item model and the folder list.
vs_core_test(shell_rows_tests shell/ShellRowsTest.cpp)
vs_win_test(shell_listview_tests shell/ShellListViewTest.cpp ui/UiTestEnv.cpp platform/FsFixture.cpp)
# The name order against the shell's own, and header clicks on a real list.
vs_win_test(shell_list_sort_tests shell/ShellListSortTest.cpp ui/UiTestEnv.cpp)
# The folder list's benchmark (bench/shelllist) runs under Wine, so it builds with the Windows tests.
if(VS_WINDOWS)
    add_executable(shelllist_bench ${CMAKE_SOURCE_DIR}/bench/shelllist/ShellListBench_win.cpp
        ${CMAKE_SOURCE_DIR}/res/Voluscope.rc)
    target_link_libraries(shelllist_bench PRIVATE voluscope_win)
    target_link_options(shelllist_bench PRIVATE -municode)
endif()
vs_core_test(shell_notification_core_tests
    shell/ShellNotificationQueueTest.cpp
    shell/FakeListing.cpp)
vs_win_test(shell_notification_tests
    ui/UiTestEnv.cpp
    shell/ShellNotificationTest.cpp
    shell/FakeListing.cpp)
vs_win_test(shell_combo_tests
    ui/UiTestEnv.cpp
    platform/FsFixture.cpp
    shell/ShellComboEntriesTest.cpp
    shell/ShellComboBoxTest.cpp)
vs_win_test(shell_list_live_tests
    ui/UiTestEnv.cpp
    shell/ShellListLiveTest.cpp)
# Opening a deep folder in the main window (bench/deepfolder) runs under Wine, so it builds here too.
if(VS_WINDOWS)
    add_executable(deepfolder_timing ${CMAKE_SOURCE_DIR}/bench/deepfolder/DeepFolderTiming_win.cpp
        ${CMAKE_SOURCE_DIR}/res/Voluscope.rc)
    target_link_libraries(deepfolder_timing PRIVATE voluscope_win)
    target_link_options(deepfolder_timing PRIVATE -municode)
endif()
# The window's answers and the time to all figures while a tree is totalled (bench/latency), under Wine.
if(VS_WINDOWS)
    add_executable(figures_timing ${CMAKE_SOURCE_DIR}/bench/latency/FiguresTiming_win.cpp
        ${CMAKE_SOURCE_DIR}/res/Voluscope.rc)
    target_link_libraries(figures_timing PRIVATE voluscope_win psapi)
    target_link_options(figures_timing PRIVATE -municode)
endif()
