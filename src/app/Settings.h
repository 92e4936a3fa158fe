#pragma once
// The settings file "voluscope.ini" beside the executable. Section "filters" holds the masks offered by
// the filter box; section "ScanTree" the memory budget of the tree of scanned files; section "history"
// whether completed walks are kept in the scan history.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The masks the filter box offers when the settings file supplies none.
const std::vector<std::string>& DefaultFilters();

// A file that belongs to the program: the executable's full path up to and including its
// last path separator, followed by `name`.
std::string ProgramFilePath(std::string_view exePath, std::string_view name);

// The settings file of the executable at `exePath`.
std::string SettingsFilePath(std::string_view exePath);

// The filter texts of the settings file in the order of their keys; the key names play no
// part. Entries with empty values are skipped; a key that occurs again (letter case ignored)
// counts once, with its first value. An empty result means the file supplies no filter
// (a missing file or section included).
std::vector<std::string> LoadFilterSettings(const std::string& iniPath);

// Writes section "filters" afresh: exactly `items` as keys "0" to count - 1; other keys of
// the section go. Throws Exception("Unable to write to <iniPath>") when the file cannot be
// written.
void SaveFilterSettings(const std::string& iniPath, const std::vector<std::string>& items);

// The scan tree's memory budget in bytes: key "MemoryBudgetMB" of section "ScanTree", in megabytes
// (0 keeps per-folder totals only). A missing, empty or malformed value (not a whole number of at most
// 1,048,576) gives the default, 2048 MB.
std::size_t LoadTreeBudget(const std::string& iniPath);

// Section "history", key "keep": whether each completed walk of a root is kept in the scan history. Off
// when the file says nothing; "1" is on and any other value off.
bool LoadKeepHistory(const std::string& iniPath);
// Writes it as "1" or "0"; throws Exception("Unable to write to <iniPath>") when the file cannot be
// written.
void SaveKeepHistory(const std::string& iniPath, bool keep);
