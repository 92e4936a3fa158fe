#pragma once
// The report walker: one row per file of a folder tree, for the all-sub-folders reports. It reads the
// file system through the listing interface (never the folder list or the folder-size cache) and writes
// raw values: sizes in bytes, attribute letters, file times as local date-time text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/ReportTables.h"
#include "shell/TypeDescriptions.h"

class TDirLister;
class TScanBaseline;

struct TCollectOptions {
    // The listing; nullptr means the system's.
    TDirLister* Lister = nullptr;
    // Extension (with its dot) to file-type description; read only (Find). nullptr: no descriptions.
    TTypeDescriptions* TypeDescriptions = nullptr;
    // Called with each folder's path before it is read (the progress window's status line).
    std::function<void(const std::string& folder)> OnFolder;
    // Called once for each file reported (the progress gauge's step).
    std::function<void()> OnFile;
    // An earlier scan to compare with. With it, and a header cell captioned Change, each file's row gets
    // its change in that cell (ChangeText: its size less its size in the scan, all of it when the scan did
    // not hold it); the cell stays empty for folders outside the scan and files whose size is not known.
    // Files the scan held in a folder read in full that are gone from it get rows of their own after the
    // folder's files (their size then, no time or attributes, all of it as the change), and so do gone
    // folders when sub-folders are reported (their total then, attributes "D").
    const TScanBaseline* Baseline = nullptr;
};

// What a walk could not show as it is.
struct TCollectResult {
    // Folders not read in full, in the order the walk met them (as the folder cell writes them): denied,
    // failed part-way, too deep for the system to open, or holding files whose size could not be read.
    std::vector<std::string> Unreadable;
    // File and folder names that are not valid UTF-8 (only where the system gives raw bytes): each byte
    // that does not decode is written as U+FFFD.
    std::size_t InvalidNames = 0;
    bool Complete() const { return Unreadable.empty(); }
};

// Appends to rows one row per file of folder whose name matches mask, then, when recurse is set, of
// every folder below it: depth first, pre-order, each folder's files in the order the file system lists
// them. Names beginning with "." are left out, files and folders alike. Folders are entered whatever the
// mask; directory reparse points (junctions, links) are not entered, so a link into the tree can neither
// loop nor repeat files. The walk keeps its pending folders in a list of its own, so any depth the
// listing can open is walked. A folder that cannot be listed adds no rows, the walk goes on, and the
// result names it; a file whose size cannot be read gets empty Size and Modified cells (never a 0).
//
// Each row has as many cells as row 0, the header, which must exist. The six values go under the
// header cells captioned Name, Size, Type, Modified, Attributes and Folder (ignoring case); a value whose
// caption is missing takes the first cell no other value took; other cells stay empty. The folder cell
// holds the folder's path as passed, then each folder below as its parent's path, one separator and its
// name. Raises an Exception when the header has fewer than six cells. With a baseline, the change goes
// under the cell captioned Change (TCollectOptions::Baseline).
TCollectResult CollectFiles(const std::string& folder, const std::string& mask, TFileRows& rows, bool recurse,
                            const TCollectOptions& options = {});

// False when text is valid UTF-8; else true, with repaired set to the text with U+FFFD in place of each
// byte that does not decode.
bool RepairUtf8(std::string_view text, std::string& repaired);

// The attribute letters of the walker's Attributes cell (not the folder list's, which differ): R H S V D A for the bits 0x01 0x02 0x04 0x08
// 0x10 0x20, in that order; other bits give nothing.
std::string ReportAttributeLetters(std::uint32_t attributes);

// The extension of a file name as the type lookup uses it: from the last "." on, in lower case; empty
// when the name has no ".".
std::string FileExtensionKey(std::string_view name);
