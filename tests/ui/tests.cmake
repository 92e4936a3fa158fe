vs_win_test(ui_framework_tests ui/UiTestEnv.cpp ui/LayoutTest.cpp ui/CommandTest.cpp ui/GraphicsTest.cpp)
vs_win_test(ui_listview_tests ui/UiTestEnv.cpp ui/ListViewTest.cpp)
