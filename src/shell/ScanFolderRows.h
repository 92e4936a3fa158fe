#pragma once
// The rows one folder of a scan tree gives when it is shown like a folder on disk: its sub-folders with
// the totals of their trees, then its files, with the figures the tree holds. Nothing here reads a disk.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ScanTree.h"

struct TScanRow {
    std::string Name;
    bool IsFolder = false;
    bool IsLink = false;  // a link to a folder: listed, never entered, counts nothing
    // A file: its size and allocated bytes, Files -1. A folder: the totals of the files of its tree that
    // the mask takes (0 for a link).
    std::int64_t Size = 0;
    std::int64_t Allocated = 0;
    std::int64_t Files = -1;
    bool Partial = false;            // a folder of its tree could not be read in full when it was scanned
    std::int64_t LastWriteTime = 0;  // FILETIME ticks; 0 = unknown
    std::uint32_t Attributes = 0;
    TScanRef Ref;  // a sub-folder's (not a link's)
};

// Totals of the files of a folder's tree that the mask takes (the totals' rules, TFolderSizeMask), with
// Partial set when a folder in it was not read in full. A stack of its own: any depth.
struct TScanMaskTotals {
    TScanTotals Totals;
    bool Partial = false;
};
TScanMaskTotals ScanTreeTotals(const TScanReader& reader, TScanRef folder, std::string_view mask);

// The rows of a folder (empty when the folder is gone): sub-folders in listing order, then files in
// listing order. Folder totals count the files mask takes; every file is a row (the list filters rows).
std::vector<TScanRow> ScanFolderRows(const TScanReader& reader, TScanRef folder, std::string_view mask);

// The full path of a folder's entry: the folder's path, the separator unless it ends in one, the name.
std::string ScanChildPath(std::string_view folder, std::string_view name, char separator);
// The folder holding path's last component ("/a/b" -> "/a", "C:\a" -> "C:\", "/a" -> "/"); empty when
// path has no separator.
std::string ScanParentPath(std::string_view path, char separator);
