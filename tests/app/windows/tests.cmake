vs_core_test(win_settings_tests app/SettingsTest.cpp platform/ProfileTest.cpp)
