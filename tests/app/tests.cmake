vs_core_test(app_settings_tests app/SettingsTest.cpp)
vs_win_test(app_action_images_tests app/ActionImagesTest.cpp)
vs_win_test(app_mainform_tests ui/UiTestEnv.cpp app/MainFormTest.cpp app/MainFormChartTest.cpp)
vs_win_test(app_mainform_close_tests ui/UiTestEnv.cpp app/MainFormCloseTest.cpp)
# The explorer pane in the main window.
vs_win_test(app_mainform_explorer_tests ui/UiTestEnv.cpp app/MainFormExplorerTest.cpp)
vs_win_test(app_mainform_live_tests ui/UiTestEnv.cpp app/MainFormLiveTest.cpp)
# The volume table and browsing in the main window.
vs_win_test(app_mainform_volumes_tests ui/UiTestEnv.cpp app/MainFormVolumesTest.cpp)
vs_win_test(app_mainform_browse_tests ui/UiTestEnv.cpp app/MainFormBrowseTest.cpp platform/FsFixture.cpp)
# The treemap in the main window.
vs_win_test(app_mainform_treemap_tests ui/UiTestEnv.cpp app/MainFormTreemapTest.cpp)
