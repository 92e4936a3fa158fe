#include "shell/SizeText.h"

namespace {

constexpr std::int64_t kKB = 1024;
constexpr std::int64_t kMB = kKB * 1024;
constexpr std::int64_t kGB = kMB * 1024;

}  // namespace

std::string FormatBytes(char unitCode, std::int64_t value) {
    switch (unitCode) {
    case 'G': return std::to_string(value / 1024 / 1024 / 1024) + " GB";
    case 'M': return std::to_string(value / 1024 / 1024) + " MB";
    case 'K': return std::to_string(value / 1024) + " KB";
    case 'B': return std::to_string(value);
    default: break;
    }
    if (value > kGB) return std::to_string(value / 1024 / 1024 / 1024) + " GB";
    if (value > kMB) return std::to_string(value / 1024 / 1024) + " MB";
    if (value > kKB) return std::to_string(value / 1024) + " KB";
    return std::to_string(value);
}

std::string FormatBytesKB(std::int64_t value) {
    // The sign stays in front of the groups: -2,048KB, never "-,048KB".
    std::int64_t k = value / 1024;
    std::string digits = std::to_string(k);
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 3);
    size_t lead = digits.size() % 3;
    if (lead == 0) lead = 3;
    out.append(digits, 0, lead);
    for (size_t i = lead; i < digits.size(); i += 3) {
        out += ',';
        out.append(digits, i, 3);
    }
    return sign + out + "KB";
}

std::string FormatSizeShort(std::int64_t size) {
    if (size > 1073741824) return std::to_string(size / 1024 / 1024 / 1024) + "GB";
    if (size > 1048576) return std::to_string(size / 1024 / 1024) + "MB";
    if (size <= 1024) return std::to_string(size);
    return std::to_string(size / 1024) + "KB";
}
