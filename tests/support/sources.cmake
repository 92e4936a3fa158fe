list(APPEND VS_TEST_SUPPORT_SOURCES support/TestSupport.cpp)
