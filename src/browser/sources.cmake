list(APPEND VS_CORE_SOURCES
    src/browser/TextSearch.cpp
    src/browser/Wildcard.cpp)
