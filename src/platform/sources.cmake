# Portable parts: the listing interface, the DOS wildcard matcher, volume helpers
list(APPEND VS_PLATFORM_SOURCES
    src/platform/DosWildcard.cpp
    src/platform/DirList.cpp
    src/platform/Volumes.cpp)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/WinText_win.cpp
    src/platform/Locale_win.cpp
    src/platform/Profile_win.cpp
    src/platform/LongPath_win.cpp
    src/platform/DirList_win.cpp
    src/platform/Volumes_win.cpp
    src/platform/ErrorMode_win.cpp
    src/platform/ReadyFile_win.cpp
    src/platform/info_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/Locale_posix.cpp
    src/platform/Profile_posix.cpp
    src/platform/DirList_posix.cpp
    src/platform/Volumes_posix.cpp
    src/platform/ErrorMode_posix.cpp)
# Date-time text, ANSI code-page text and sequentially written files (reports)
list(APPEND VS_WINPLAT_SOURCES
    src/platform/DateTime_win.cpp
    src/platform/AnsiText_win.cpp
    src/platform/OutFile_win.cpp
    src/platform/FileKind_win.cpp
    src/platform/InFile_win.cpp
    src/platform/FileOps_win.cpp)
list(APPEND VS_POSIX_SOURCES
    src/platform/DateTime_posix.cpp
    src/platform/AnsiText_posix.cpp
    src/platform/OutFile_posix.cpp
    src/platform/FileKind_posix.cpp
    src/platform/InFile_posix.cpp
    src/platform/FileOps_posix.cpp)
