list(APPEND VS_WINPLAT_SOURCES
    src/platform/WinText_win.cpp
    src/platform/Locale_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/Locale_posix.cpp)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/Profile_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/Profile_posix.cpp)
# Directory listing, volume queries, critical-error suppression
list(APPEND VS_CORE_SOURCES
    src/platform/DosWildcard.cpp
    src/platform/DirList.cpp
    src/platform/Volumes.cpp)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/LongPath_win.cpp
    src/platform/DirList_win.cpp
    src/platform/Volumes_win.cpp
    src/platform/ErrorMode_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/DirList_posix.cpp
    src/platform/Volumes_posix.cpp
    src/platform/ErrorMode_posix.cpp)
# Date-time text, ANSI code-page text and sequentially written files (reports)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/DateTime_win.cpp
    src/platform/AnsiText_win.cpp
    src/platform/OutFile_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/DateTime_posix.cpp
    src/platform/AnsiText_posix.cpp
    src/platform/OutFile_posix.cpp)
