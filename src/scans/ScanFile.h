#pragma once
// Scans as files: a scanned root written to and read from ncdu's JSON export format, version 1.2, which
// ncdu and gdu both write and read.
//
//   [1, 2, {"progname": "voluscope", "progver": "...", "timestamp": <unix seconds>}, <root>]
//
// A folder is an array: its own info object, then its files (objects) and sub-folders (arrays). The
// root's name is its full path. Fields: name (UTF-8), asize (size), dsize (allocated bytes), mtime
// (Unix seconds), ino/nlink/hlnkc (hard links), read_error (a folder not read in full), notreg (links and
// other non-regular entries), excluded (what the walk does not enter: links to folders are written as
// notreg entries with "excluded": "link", and read back as links to folders).
//
// Both directions stream: the writer walks the tree with a stack of its own and writes through a
// buffer; the reader is RapidJSON's iterative SAX parser (no recursion, no document in memory) feeding
// TScanTreeBuilder into a tree of its own, which is thrown away when the file proves bad, so a bad file
// loads nothing. A file whose name ends in ".gz" is written through zlib; the reader recognises
// gzip by its first bytes, whatever the name.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shell/SavedScan.h"
#include "shell/ScanTree.h"

struct TScanExportResult {
    std::int64_t Files = 0;
    std::int64_t Folders = 0;
    std::int64_t TextBytes = 0;      // of JSON
    std::int64_t FileBytes = 0;      // written to the file (compressed with gzip)
    std::int64_t ReadErrors = 0;     // folders written with read_error
    std::int64_t ReplacedNames = 0;  // names whose invalid UTF-8 was written as U+FFFD
    bool Cancelled = false;          // stopped by the flag: the file was not written
};

// Writes root's tree (held by reader) as ncdu JSON to file, in gzip when its name ends in ".gz". The
// target is replaced only once the file is whole (TOutFile). Raises Exception on a write failure.
// cancel, when given, is polled; a cancel leaves the target as it was.
TScanExportResult ExportScan(const TScanReader& reader, TScanRef root, std::string_view file, const TScanFileInfo& info,
                             const std::atomic<bool>* cancel = nullptr);
// The same text into a string (tests, and the writer's benchmark).
std::string ScanJsonText(const TScanReader& reader, TScanRef root, const TScanFileInfo& info);

// Reads a saved scan (plain or gzip). Raises Exception with the file's name, what is wrong and the byte
// offset in the (uncompressed) JSON text: "Cannot read scan "<file>": <what> at byte <n>".
TImportedScan ImportScan(std::string_view file);
// The same from bytes in memory (gzip or plain); name is used in messages.
TImportedScan ImportScanBytes(std::string_view bytes, std::string_view name = "(memory)");
