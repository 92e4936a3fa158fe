#pragma once
// The size texts of the main window and the folder list. Units are powers of 1024; every division
// truncates.
#include <cstdint>
#include <string>

// unitCode 'G', 'M', 'K': the value in that unit followed by " GB", " MB", " KB";
// 'B': the bare number; any other code (callers pass 'A'): the largest unit the value
// strictly exceeds, or the bare number for 1024 bytes and less.
std::string FormatBytes(char unitCode, std::int64_t value);

// A whole number grouped in threes with ",": 1,234,567; -2,048.
std::string GroupedNumber(std::int64_t value);

// value div 1024, grouped in threes with "," and followed by "KB": 1,234KB. The folder list's Size
// column uses it too.
std::string FormatBytesKB(std::int64_t value);

// The folder list's short form, no blank before the unit (3GB, 512, 18KB): above 1 GB whole gigabytes
// and "GB"; above 1 MB whole megabytes and "MB"; 1024 bytes and less the bare number; otherwise whole
// kilobytes and "KB".
std::string FormatSizeShort(std::int64_t size);
