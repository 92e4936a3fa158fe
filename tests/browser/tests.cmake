vs_core_test(browser_tests browser/WildcardTest.cpp)
