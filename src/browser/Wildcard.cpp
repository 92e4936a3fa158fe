#include "browser/Wildcard.h"

#include <string>

#include "browser/TextSearch.h"
#include "platform/Locale.h"

namespace {

constexpr size_t kPartLength = 255;

std::string_view FileNamePart(std::string_view path) {
    size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

// UTF-8 to code points, so that "?" stands for one character, not one byte. Bytes that are
// not UTF-8 count as one character each.
std::u32string Characters(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t k = 1; ok && k < len; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c >> 6) == 2;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += static_cast<char32_t>(0xDC00 + b);  // a lone byte stands for itself
            ++i;
        } else {
            out += cp;
            i += len;
        }
    }
    return out;
}

struct TParts {
    std::u32string Base, Ext;
};

TParts Split(std::string_view path) {
    std::string name = LowerCaseLocale(FileNamePart(path));
    std::int64_t dot = FindTextPos(".", name, false, false, static_cast<std::int64_t>(name.size()));
    if (dot == 0) return {Characters(name), U"*"};
    auto at = static_cast<size_t>(dot - 1);
    return {Characters(std::string_view(name).substr(0, at)), Characters(std::string_view(name).substr(at + 1))};
}

// A "*" and everything after it become "?" up to the full part length.
void ExpandStar(std::u32string& part) {
    size_t star = part.find(U'*');
    if (star != std::u32string::npos) {
        part.resize(star);
        part.resize(kPartLength, U'?');
    }
}

bool MatchPart(const std::u32string& name, const std::u32string& mask) {
    for (size_t i = 0; i < kPartLength; ++i) {
        if (i >= name.size()) return true;
        if (i >= mask.size()) return false;
        if (name[i] != U'?' && mask[i] != U'?' && name[i] != mask[i]) return false;
    }
    return true;
}

}  // namespace

bool WildcardMatch(std::string_view path, std::string_view mask) {
    // An empty mask splits into an empty base and the extension "*", which would admit names that begin
    // with "." (.profile); it matches nothing, so an empty filter box lists folders only.
    if (FileNamePart(mask).empty()) return false;
    TParts n = Split(path);
    TParts m = Split(mask);
    if ((n.Base.empty() || m.Base.empty()) && n.Base.size() != m.Base.size()) return false;
    if ((n.Ext.empty() || m.Ext.empty()) && n.Ext.size() != m.Ext.size()) return false;
    ExpandStar(m.Base);
    ExpandStar(m.Ext);
    return MatchPart(n.Base, m.Base) && MatchPart(n.Ext, m.Ext);
}
