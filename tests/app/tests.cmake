vs_core_test(app_core_tests app/SizeFormatTest.cpp)
