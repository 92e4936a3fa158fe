list(APPEND VS_CORE_SOURCES
    src/shell/SizeText.cpp)
list(APPEND VS_CORE_SOURCES
    src/shell/FolderSizeCache.cpp
    src/shell/FolderSize.cpp
    src/shell/FolderSizeWalk.cpp
    src/shell/FolderSizeSystem.cpp)
