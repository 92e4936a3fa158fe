#include "browser/TextSearch.h"

#include <array>
#include <string>

#include "platform/Exception.h"
#include "platform/Locale.h"

const unsigned char* UpperCaseMap() {
    static const std::array<unsigned char, 256> map = [] {
        std::array<unsigned char, 256> m{};
        for (int i = 0; i < 256; ++i) m[i] = static_cast<unsigned char>(i);
        for (int i = 1; i < 128; ++i) {
            std::string up = UpperCaseLocale(std::string(1, static_cast<char>(i)));
            if (up.size() == 1 && static_cast<unsigned char>(up[0]) < 128) m[i] = static_cast<unsigned char>(up[0]);
        }
        return m;
    }();
    return map.data();
}

namespace {

struct TIdentity {
    unsigned char operator()(unsigned char c) const { return c; }
};
struct TUpper {
    const unsigned char* Map = UpperCaseMap();
    unsigned char operator()(unsigned char c) const { return Map[c]; }
};

inline unsigned char At(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

// Skip-table search: the window is compared from its last byte backwards and slides by the table
// entry of its last byte.
template <typename Fold>
std::int64_t SearchForward(std::string_view pattern, std::string_view text, std::int64_t start, Fold fold) {
    if (pattern.empty()) throw Exception("BufferLen is 0");
    size_t from = start < 1 ? 0 : static_cast<size_t>(start - 1);
    size_t m = pattern.size();
    if (from >= text.size() || text.size() - from < m) return 0;
    size_t skip[256];
    for (size_t& s : skip) s = m;
    for (size_t i = 0; i + 1 < m; ++i) skip[fold(At(pattern, i))] = m - 1 - i;
    for (size_t pos = from; pos + m <= text.size();) {
        size_t k = m;
        while (k > 0 && fold(At(text, pos + k - 1)) == fold(At(pattern, k - 1))) --k;
        if (k == 0) return static_cast<std::int64_t>(pos) + 1;
        pos += skip[fold(At(text, pos + m - 1))];
    }
    return 0;
}

template <typename Fold>
std::int64_t SearchBackward(std::string_view pattern, std::string_view text, std::int64_t start, Fold fold) {
    size_t m = pattern.size();
    if (m == 0 || m > text.size()) return 0;
    size_t lastFit = text.size() - m;  // 0-based
    size_t pos = (start <= 0 || static_cast<std::uint64_t>(start - 1) > lastFit) ? lastFit
                                                                                  : static_cast<size_t>(start - 1);
    unsigned char first = fold(At(pattern, 0));
    for (;; --pos) {
        if (fold(At(text, pos)) == first) {
            size_t k = 1;
            while (k < m && fold(At(text, pos + k)) == fold(At(pattern, k))) ++k;
            if (k == m) return static_cast<std::int64_t>(pos) + 1;
        }
        if (pos == 0) return 0;
    }
}

}  // namespace

std::int64_t FindTextPos(std::string_view pattern, std::string_view text, bool caseSensitive, bool forward,
                         std::int64_t start) {
    if (forward)
        return caseSensitive ? SearchForward(pattern, text, start, TIdentity{})
                             : SearchForward(pattern, text, start, TUpper{});
    return caseSensitive ? SearchBackward(pattern, text, start, TIdentity{})
                         : SearchBackward(pattern, text, start, TUpper{});
}
