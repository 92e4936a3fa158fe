vs_core_test(win_settings_tests app/SettingsTest.cpp platform/ProfileTest.cpp)
vs_core_test(win_images_tests app/ActionImagesTest.cpp)
vs_core_test(win_gauge_tests ui/GaugeValuesTest.cpp)
vs_win_test(win_windows_tests ui/UiTestEnv.cpp app/windows/InfoTest.cpp app/windows/WindowsTest.cpp
    ui/GaugeTest.cpp ui/HyperLinkTest.cpp ui/AnimateTest.cpp)
