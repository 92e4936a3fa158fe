#pragma once
// The main window's size texts. Units are powers of 1024; every division truncates.
#include <cstdint>
#include <string>

// unitCode 'G', 'M', 'K': the value in that unit followed by " GB", " MB", " KB";
// 'B': the bare number; any other code (callers pass 'A'): the largest unit the value
// strictly exceeds, or the bare number for 1024 bytes and less.
std::string FormatBytes(char unitCode, std::int64_t value);

// value div 1024, grouped in threes with "," and followed by "KB": 1,234KB.
std::string FormatBytesKB(std::int64_t value);
