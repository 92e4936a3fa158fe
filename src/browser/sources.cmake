list(APPEND VS_CORE_SOURCES
    src/browser/TextSearch.cpp
    src/browser/Wildcard.cpp
    src/browser/BrowseTexts.cpp)
list(APPEND VS_WIN_SOURCES
    src/browser/ShellLink_win.cpp)
