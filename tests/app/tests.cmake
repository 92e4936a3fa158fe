vs_core_test(app_core_tests app/SizeFormatTest.cpp)
vs_win_test(app_mainform_tests ui/UiTestEnv.cpp app/MainFormTest.cpp)
vs_win_test(app_mainform_close_tests ui/UiTestEnv.cpp app/MainFormCloseTest.cpp)
# The explorer pane in the main window.
vs_win_test(app_mainform_explorer_tests ui/UiTestEnv.cpp app/MainFormExplorerTest.cpp)
# The volume table and browsing in the main window.
vs_win_test(app_mainform_volumes_tests ui/UiTestEnv.cpp app/MainFormVolumesTest.cpp)
vs_win_test(app_mainform_browse_tests ui/UiTestEnv.cpp app/MainFormBrowseTest.cpp)
