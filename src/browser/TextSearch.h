#pragma once
// Fast text search over byte strings. Positions are 1-based; 0 means not found.
#include <cstdint>
#include <string_view>

// Finds pattern in text. Forward searches (Boyer-Moore-Horspool) cover the text from start to
// its end (a start below 1 counts as 1) and raise "BufferLen is 0" for an empty pattern.
// Backward searches scan from start toward the beginning; a start of 0 or less, or one where the
// pattern would run past the end, begins at the last place the pattern fits. They answer 0 for an
// empty pattern or one longer than the text. Without caseSensitive both sides go through the
// upper-case map.
std::int64_t FindTextPos(std::string_view pattern, std::string_view text, bool caseSensitive, bool forward,
                         std::int64_t start);

// The 256-byte upper-case map, built once: letters of the ASCII range by the locale's rules;
// bytes from 0x80 are parts of UTF-8 sequences and map to themselves.
const unsigned char* UpperCaseMap();
