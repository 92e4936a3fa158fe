vs_core_test(app_core_tests app/SizeFormatTest.cpp)
vs_win_test(app_mainform_tests ui/UiTestEnv.cpp app/MainFormTest.cpp)
vs_win_test(app_mainform_close_tests ui/UiTestEnv.cpp app/MainFormCloseTest.cpp)
# The explorer pane in the main window.
vs_win_test(app_mainform_explorer_tests ui/UiTestEnv.cpp app/MainFormExplorerTest.cpp)
vs_win_test(app_mainform_live_tests ui/UiTestEnv.cpp app/MainFormLiveTest.cpp)
