#pragma once
// Private-profile (INI) files: sections in square brackets holding key=value lines.
// Windows goes through the system's profile functions; elsewhere a small reader and writer
// keeps the same rules: section and key names compare without letter case, keys and values
// are trimmed of blanks, a value in matching quotes loses them, a missing file reads as empty
// and writing creates the file and the section when missing.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Names of all keys of `section`, in file order, duplicates included. At most `maxChars`
// characters of names are read (each counted with its terminating zero, as the system does).
std::vector<std::string> ProfileKeyNames(const std::string& path, const std::string& section,
                                         std::size_t maxChars = 16384);

// The value of the first key `key` of `section`, cut to at most `maxChars` characters;
// empty when the file, the section or the key is missing.
std::string ProfileReadString(const std::string& path, const std::string& section, const std::string& key,
                              std::size_t maxChars = 2047);

// Sets `key` in `section` (the first key of that name; appended when missing). Returns false
// when the file cannot be written.
bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// Replaces everything in `section` with `entries` (key, value) in order, creating the section
// when missing. Returns false when the file cannot be written.
bool ProfileWriteSection(const std::string& path, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& entries);
