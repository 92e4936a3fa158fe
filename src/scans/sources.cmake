# Scans as files: the ncdu JSON writer and reader, and the comparison of two scans.
list(APPEND VS_CORE_SOURCES
    src/scans/ScanJsonWriter.cpp
    src/scans/ScanJsonReader.cpp
    src/scans/ScanDiff.cpp
    src/scans/ScanHistory.cpp
    src/scans/ScanKeeper.cpp)
