vs_win_test(app_windows_tests ui/UiTestEnv.cpp app/windows/InfoTest.cpp app/windows/WindowsTest.cpp)
