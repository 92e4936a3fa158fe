list(APPEND VS_TEST_SUPPORT_SOURCES support/TestSupport.cpp)
if(VS_WINDOWS)
    list(APPEND VS_TEST_SUPPORT_SOURCES support/ScreenShot_win.cpp)
endif()
