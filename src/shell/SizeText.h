#pragma once
// The folder list's size texts: no blank before the unit (3GB, 512, 18KB).
#include <cstdint>
#include <string>

#include "app/SizeFormat.h"  // FormatBytesKB serves the folder list's Size column too

// Above 1 GB: whole gigabytes and "GB"; above 1 MB: whole megabytes and "MB"; 1024 bytes and
// less: the bare number; otherwise whole kilobytes and "KB". Divisions truncate.
std::string FormatSizeShort(std::int64_t size);
