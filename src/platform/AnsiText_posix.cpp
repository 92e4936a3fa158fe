#include "platform/AnsiText.h"

#include <cstdint>

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page has no character.
constexpr char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] != 0 && kHigh[i] == c) return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; false for a malformed, overlong or surrogate one.
bool Decode(std::string_view s, size_t& i, char32_t& c) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra;
    if (b < 0x80) {
        c = b, ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        c = b & 0x1F, extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
        c = b & 0x0F, extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
        c = b & 0x07, extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<size_t>(extra) >= s.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto t = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((t & 0xC0) != 0x80) return false;
        c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += static_cast<size_t>(extra) + 1;
    return true;
}

}  // namespace

bool TryUtf8ToAnsi(std::string_view utf8, std::string& ansi) {
    if (IsAsciiText(utf8)) {
        ansi.append(utf8);
        return true;
    }
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!Decode(utf8, i, c)) return false;
        const int b = ToCp1252(c);
        if (b < 0) return false;
        out += static_cast<char>(b);
    }
    ansi += out;
    return true;
}
