list(APPEND VS_CORE_SOURCES
    src/shell/SizeText.cpp)
