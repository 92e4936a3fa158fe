list(APPEND VS_CORE_SOURCES
    src/app/SizeFormat.cpp)
list(APPEND VS_CORE_SOURCES
    src/app/Settings.cpp)
list(APPEND VS_CORE_SOURCES
    src/app/GlyphCanvas.cpp
    src/app/ActionImages.cpp)
