list(APPEND VS_CORE_SOURCES
    src/containers/StDictionary.cpp)
