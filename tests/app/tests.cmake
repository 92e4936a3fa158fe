vs_core_test(app_core_tests app/SizeFormatTest.cpp)
vs_win_test(app_mainform_tests ui/UiTestEnv.cpp app/MainFormTest.cpp)
vs_win_test(app_mainform_close_tests ui/UiTestEnv.cpp app/MainFormCloseTest.cpp)
vs_win_test(app_mainform_volumes_tests ui/UiTestEnv.cpp app/MainFormVolumesTest.cpp)
