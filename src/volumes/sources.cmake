list(APPEND VS_CORE_SOURCES
    src/volumes/VolumeInventory.cpp)
