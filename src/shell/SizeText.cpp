#include "shell/SizeText.h"

std::string FormatSizeShort(std::int64_t size) {
    if (size > 1073741824) return std::to_string(size / 1024 / 1024 / 1024) + "GB";
    if (size > 1048576) return std::to_string(size / 1024 / 1024) + "MB";
    if (size <= 1024) return std::to_string(size);
    return std::to_string(size / 1024) + "KB";
}
