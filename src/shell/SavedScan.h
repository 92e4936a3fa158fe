#pragma once
// A scan read back from a file: a tree of its own holding the saved root, and what the file says of it.
// The folder list shows it and compares the disk with it; reading and writing the files is the saved
// scans' own business (scans/ScanFile.h).
#include <cstdint>
#include <memory>
#include <string>

#include "shell/ScanTree.h"

struct TScanFileInfo {
    std::string ProgName = "voluscope";
    std::string ProgVer;
    std::int64_t Timestamp = 0;  // Unix seconds of the scan; 0 = unknown
};

// A scan read from a file: a tree of its own that holds the saved root, verified so that it totals as a
// walked root does.
struct TImportedScan {
    std::unique_ptr<TScanTree> Tree;
    TScanRef Root;
    std::string Path;  // the root's full path as saved
    std::string Key;   // its key in Tree
    TScanFileInfo Info;
    std::string Origin;  // the file it was read from
    std::int64_t Files = 0, Folders = 0;
};
