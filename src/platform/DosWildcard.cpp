#include "platform/DosWildcard.h"

#include <array>

#include "platform/AnsiText.h"

namespace {

// Wildcard codes, above the Unicode range so they never equal a character.
constexpr char32_t kStar = 0x110001;     // "*": any run of characters
constexpr char32_t kDosStar = 0x110002;  // "*" before ".": any run that does not take the name's last dot
constexpr char32_t kDosQm = 0x110003;    // "?": one character, or none before a dot or at the end
constexpr char32_t kDosDot = 0x110004;   // "." before "*"/"?" or at the end: a dot, or the end of the name
constexpr char32_t kEnd = 0x110000;      // past the last character of the name

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

}  // namespace

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, c = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, c = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, c = b0 & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return 0xDC00 + b0;
    }
    if (pos + extra >= text.size()) {
        ++pos;
        return 0xDC00 + b0;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xDC00 + b0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return 0xDC00 + b0;
    }
    pos += extra + 1;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t UpperCaseChar(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE) return c == 0xF7 ? c : c - 32;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x12F) return c & ~1u;
    if (c >= 0x132 && c <= 0x137) return c & ~1u;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177) return c & ~1u;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 32;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 63;
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return c & ~1u;
    if (c >= 0x561 && c <= 0x586) return c - 48;
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return c & ~1u;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
    return c;
}

char32_t LowerCaseChar(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x12F) return c | 1u;
    if (c >= 0x132 && c <= 0x137) return c | 1u;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177) return c | 1u;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3AB) return c == 0x3A2 ? c : c + 32;
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return c + 63;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return c | 1u;
    if (c >= 0x531 && c <= 0x556) return c + 48;
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return c | 1u;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
    return c;
}

void AppendLowerCase(std::string& out, std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[pos]);
        if (b < 0x80) {
            out += static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
            ++pos;
            continue;
        }
        char32_t c = DecodeUtf8(text, pos);
        if (c >= 0xDC80 && c <= 0xDCFF)
            out += static_cast<char>(c - 0xDC00);  // an undecodable byte stays as it was
        else
            AppendUtf8(out, LowerCaseChar(c));
    }
}

std::string LowerCaseText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendLowerCase(out, text);
    return out;
}

TDosWildcard::TDosWildcard(std::string_view pattern) {
    if (pattern == "*" || pattern == "*.*") {
        FKind = TKind::All;
        return;
    }
    std::vector<char32_t> chars;
    for (std::size_t pos = 0; pos < pattern.size();) chars.push_back(DecodeUtf8(pattern, pos));
    FLiteral = true;
    for (char32_t c : chars)
        if (c == '*' || c == '?') FLiteral = false;

    // The same rewriting Windows applies before it matches: "?" becomes the DOS question mark, a dot
    // before "*" or "?" (or at the end) the DOS dot, a "*" before a dot the DOS star.
    FTokens.reserve(chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        char32_t c = chars[i];
        char32_t next = i + 1 < chars.size() ? chars[i + 1] : kEnd;
        if (c == '?')
            FTokens.push_back(kDosQm);
        else if (c == '*')
            FTokens.push_back(next == '.' ? kDosStar : kStar);
        else if (c == '.' && (next == '*' || next == '?' || next == kEnd))
            FTokens.push_back(kDosDot);
        else
            FTokens.push_back(UpperCaseChar(c));
    }

    // "*.ext" with a plain ASCII extension: the name must end in ".ext" (the DOS star may not take the
    // last dot, and the extension holds none of its own after it). The common filter case, kept cheap.
    if (FTokens.size() >= 2 && FTokens[0] == kDosStar && IsAsciiText(pattern)) {
        bool plain = true;
        for (std::size_t i = 1; i < FTokens.size(); ++i)
            if (FTokens[i] >= 0x110000) plain = false;
        if (plain) {
            FKind = TKind::Suffix;
            for (char c : pattern.substr(1)) FSuffix += AsciiUpper(c);
        }
    }
    // "name*" with plain ASCII before one final star: the name must begin so. Upper-casing never turns a
    // character outside ASCII into one inside it, so the bytes can be compared as they stand.
    if (FKind == TKind::General && FTokens.size() >= 2 && FTokens.back() == kStar && IsAsciiText(pattern)) {
        bool plain = true;
        for (std::size_t i = 0; i + 1 < FTokens.size(); ++i)
            if (FTokens[i] >= 0x110000) plain = false;
        if (plain) {
            FKind = TKind::Prefix;
            for (char c : pattern.substr(0, pattern.size() - 1)) FSuffix += AsciiUpper(c);
        }
    }
}

bool TDosWildcard::Matches(std::string_view name) const {
    switch (FKind) {
        case TKind::All:
            return true;
        case TKind::Suffix: {
            if (name.size() < FSuffix.size()) return false;
            std::string_view tail = name.substr(name.size() - FSuffix.size());
            for (std::size_t i = 0; i < tail.size(); ++i)
                if (AsciiUpper(tail[i]) != FSuffix[i]) return false;
            return true;
        }
        case TKind::Prefix: {
            if (name.size() < FSuffix.size()) return false;
            for (std::size_t i = 0; i < FSuffix.size(); ++i)
                if (AsciiUpper(name[i]) != FSuffix[i]) return false;
            return true;
        }
        case TKind::General:
            break;
    }
    return MatchGeneral(name);
}

bool TDosWildcard::MatchGeneral(std::string_view name) const {
    // States 0..m, where state i waits for token i and state m has matched the whole pattern.
    const std::size_t m = FTokens.size();
    const std::size_t words = (m + 1 + 63) / 64;
    std::array<std::uint64_t, 8> stackSets[2];
    std::vector<std::uint64_t> heapSets;
    std::uint64_t* cur;
    std::uint64_t* next;
    if (words <= 8) {
        cur = stackSets[0].data();
        next = stackSets[1].data();
    } else {
        heapSets.assign(words * 2, 0);
        cur = heapSets.data();
        next = heapSets.data() + words;
    }
    auto test = [](const std::uint64_t* set, std::size_t i) { return (set[i >> 6] >> (i & 63)) & 1; };
    auto set = [](std::uint64_t* s, std::size_t i) { s[i >> 6] |= std::uint64_t{1} << (i & 63); };
    for (std::size_t w = 0; w < words; ++w) cur[w] = 0;
    set(cur, 0);

    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = name.size(); i-- > 0;)
        if (name[i] == '.') {
            lastDot = i;
            break;
        }

    for (std::size_t pos = 0;;) {
        const std::size_t at = pos;
        const char32_t c = pos < name.size() ? DecodeUtf8(name, pos) : kEnd;
        // Moves that take no character; they only lead forward, so one pass in order closes the set.
        for (std::size_t i = 0; i < m; ++i) {
            if (!test(cur, i)) continue;
            char32_t t = FTokens[i];
            if (t == kStar || t == kDosStar || (t == kDosQm && (c == '.' || c == kEnd)) || (t == kDosDot && c == kEnd))
                set(cur, i + 1);
        }
        if (c == kEnd) return test(cur, m);

        const char32_t upper = UpperCaseChar(c);
        bool any = false;
        for (std::size_t w = 0; w < words; ++w) next[w] = 0;
        for (std::size_t i = 0; i < m; ++i) {
            if (!test(cur, i)) continue;
            char32_t t = FTokens[i];
            std::size_t to = SIZE_MAX;
            if (t == kStar)
                to = i;
            else if (t == kDosStar) {
                if (c != '.' || (lastDot != std::string_view::npos && at < lastDot)) to = i;
            } else if (t == kDosQm) {
                if (c != '.') to = i + 1;
            } else if (t == kDosDot) {
                if (c == '.') to = i + 1;
            } else if (t == upper) {
                to = i + 1;
            }
            if (to != SIZE_MAX) {
                set(next, to);
                any = true;
            }
        }
        if (!any) return false;
        std::swap(cur, next);
    }
}

bool DosWildcardMatch(std::string_view name, std::string_view pattern) {
    return TDosWildcard(pattern).Matches(name);
}
