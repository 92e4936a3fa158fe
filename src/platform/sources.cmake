list(APPEND VS_WINPLAT_SOURCES
    src/platform/WinText_win.cpp
    src/platform/Locale_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/Locale_posix.cpp)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/Profile_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/Profile_posix.cpp)
