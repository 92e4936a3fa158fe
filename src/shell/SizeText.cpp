#include "shell/SizeText.h"

namespace {

constexpr std::int64_t kKB = 1024;
constexpr std::int64_t kMB = kKB * 1024;
constexpr std::int64_t kGB = kMB * 1024;

// The value in the largest unit it exceeds, gap between number and unit ("3 GB"); at most 1KB, the
// bare number.
std::string InLargestUnit(std::int64_t value, const char* gap) {
    if (value > kGB) return std::to_string(value / 1024 / 1024 / 1024) + gap + "GB";
    if (value > kMB) return std::to_string(value / 1024 / 1024) + gap + "MB";
    if (value > kKB) return std::to_string(value / 1024) + gap + "KB";
    return std::to_string(value);
}

}  // namespace

std::string FormatBytes(char unitCode, std::int64_t value) {
    switch (unitCode) {
    case 'G': return std::to_string(value / 1024 / 1024 / 1024) + " GB";
    case 'M': return std::to_string(value / 1024 / 1024) + " MB";
    case 'K': return std::to_string(value / 1024) + " KB";
    case 'B': return std::to_string(value);
    default: break;
    }
    return InLargestUnit(value, " ");
}

std::string GroupedNumber(std::int64_t value) {
    // The sign stays in front of the groups: -2,048, never "-,048".
    std::string digits = std::to_string(value);
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    std::string out = sign;
    out.reserve(sign.size() + digits.size() + digits.size() / 3);
    size_t lead = digits.size() % 3;
    if (lead == 0) lead = 3;
    out.append(digits, 0, lead);
    for (size_t i = lead; i < digits.size(); i += 3) {
        out += ',';
        out.append(digits, i, 3);
    }
    return out;
}

std::string FormatBytesKB(std::int64_t value) {
    return GroupedNumber(value / 1024) + "KB";
}

std::string FormatSizeShort(std::int64_t size) {
    return InLargestUnit(size, "");
}
