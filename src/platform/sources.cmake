list(APPEND VS_WINPLAT_SOURCES
    src/platform/WinText_win.cpp)
