list(APPEND VS_CORE_SOURCES
    src/app/SizeFormat.cpp)
