#include "containers/StDictionary.h"

#include "platform/Locale.h"

std::uint32_t AnsiHashText(std::string_view key, std::uint32_t size) {
    std::string upper = UpperCaseLocale(key);
    std::uint32_t h = 0;
    for (size_t i = 0; i < upper.size(); ++i) {
        std::uint32_t c = static_cast<unsigned char>(upper[i]);
        unsigned r = static_cast<unsigned>(i % 32);
        h ^= r == 0 ? c : (c << r) | (c >> (32 - r));
    }
    return size == 0 ? h : h % size;
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return UpperCaseLocale(a).compare(UpperCaseLocale(b));
}
