#include "platform/Locale.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

namespace {

locale_t Utf8Locale() {
    // The case tables of a UTF-8 locale; the process locale may be "C", which maps only ASCII.
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!l) l = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        return l;
    }();
    return loc;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is not valid.
size_t Decode(std::string_view s, size_t i, char32_t& cp) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c >> 6) != 2) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    static const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void Encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

template <typename Map>
std::string MapCase(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    locale_t loc = Utf8Locale();
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        size_t len = Decode(s, i, cp);
        if (len == 0) {  // not UTF-8: keep the byte
            out += s[i++];
            continue;
        }
        Encode(static_cast<char32_t>(map(static_cast<wint_t>(cp), loc)), out);
        i += len;
    }
    return out;
}

}  // namespace

std::string UpperCaseLocale(std::string_view utf8) {
    return MapCase(utf8, [](wint_t c, locale_t l) { return l ? towupper_l(c, l) : towupper(c); });
}

std::string LowerCaseLocale(std::string_view utf8) {
    return MapCase(utf8, [](wint_t c, locale_t l) { return l ? towlower_l(c, l) : towlower(c); });
}
