#include "platform/AnsiText.h"

#include <cstdint>

#include "platform/DosWildcard.h"

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

}  // namespace

bool TryUtf8ToAnsi(std::string_view utf8, std::string& ansi) {
    if (IsAsciiText(utf8)) {
        ansi.append(utf8);
        return true;
    }
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        // DecodeUtf8 gives a lone surrogate (0xDC00 + byte) for a malformed, overlong or surrogate sequence.
        const char32_t c = DecodeUtf8(utf8, i);
        if (c >= 0xD800 && c <= 0xDFFF) return false;
        const int b = ToCp1252(c);
        if (b < 0) return false;
        out += static_cast<char>(b);
    }
    ansi += out;
    return true;
}
