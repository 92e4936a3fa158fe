vs_win_test(ui_framework_tests ui/UiTestEnv.cpp ui/LayoutTest.cpp ui/CommandTest.cpp ui/GraphicsTest.cpp
    ui/MouseEventsTest.cpp ui/PaintTest.cpp ui/OwnerDrawTest.cpp)
vs_win_test(ui_controls_tests ui/UiTestEnv.cpp ui/GaugeTest.cpp ui/HyperLinkTest.cpp ui/AnimateTest.cpp)
vs_core_test(ui_gauge_values_tests ui/GaugeValuesTest.cpp)
vs_win_test(ui_listview_tests ui/UiTestEnv.cpp ui/ListViewTest.cpp)
