vs_core_test(app_core_tests app/SizeFormatTest.cpp)
vs_win_test(app_mainform_tests ui/UiTestEnv.cpp app/MainFormTest.cpp app/MainFormChartTest.cpp)
vs_win_test(app_mainform_close_tests ui/UiTestEnv.cpp app/MainFormCloseTest.cpp)
