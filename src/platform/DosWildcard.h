#pragma once
// File-name patterns read the way FindFirstFile reads them (the DOS wildcards), matched in-process so
// that every listing and the folder-size walk apply one set of rules on every platform:
//  - case-insensitive;
//  - "*" and "*.*" match every name, dot-names included;
//  - "?" matches exactly one character, or none at the end of the name or before a dot;
//  - "*" before a dot stops at the name's last dot: "*.txt" matches "a.b.txt" and ".txt", not "a.txtx";
//  - a dot before "*" or "?", or at the end of the pattern, also matches the end of a name without a dot
//    ("a.*" matches "a", "*." matches names without a dot).
// An empty pattern matches only an empty name. Any pattern length is fine: the match is a state-set
// walk, linear in the name for a given pattern, never exponential.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TDosWildcard {
public:
    explicit TDosWildcard(std::string_view pattern);

    // True when name (UTF-8, one path component) matches the pattern.
    bool Matches(std::string_view name) const;
    // True for "*" and "*.*": every name matches.
    bool MatchesAll() const { return FKind == TKind::All; }
    // True when the pattern holds no wildcard at all.
    bool IsLiteral() const { return FLiteral; }
    // True when a name is matched by comparing one end of it ("*.ext", "name*"), without the state walk.
    bool ComparesAnEnd() const { return FKind == TKind::Suffix || FKind == TKind::Prefix; }

private:
    enum class TKind { All, Suffix, Prefix, General };
    TKind FKind = TKind::General;
    bool FLiteral = false;
    std::string FSuffix;            // TKind::Suffix: ".ext", TKind::Prefix: the part before "*", in ASCII upper case
    std::vector<char32_t> FTokens;  // TKind::General: upper-cased characters and the wildcard codes

    bool MatchGeneral(std::string_view name) const;
};

// One-off match; build a TDosWildcard to match many names against the same pattern.
bool DosWildcardMatch(std::string_view name, std::string_view pattern);

// Simple case mapping of one code point (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic, Armenian,
// Latin Extended Additional, full-width Latin). Other code points map to themselves.
char32_t UpperCaseChar(char32_t c);
char32_t LowerCaseChar(char32_t c);

// Decodes one UTF-8 sequence at text[pos], advancing pos. A byte that does not start a valid sequence
// decodes to 0xDC00 + byte and advances by one, so nothing is lost or merged.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t c);

// Appends text with every code point mapped by LowerCaseChar (invalid bytes are kept as they are).
void AppendLowerCase(std::string& out, std::string_view text);
std::string LowerCaseText(std::string_view text);
