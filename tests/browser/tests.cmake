vs_core_test(browser_tests browser/WildcardTest.cpp browser/BrowseTextsTest.cpp)
vs_win_test(browser_shelllink_tests browser/ShellLinkTest.cpp)
