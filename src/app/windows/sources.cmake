list(APPEND VS_WIN_SOURCES
    src/app/windows/info.cpp)
