#pragma once
// The mask of folder totals, and where each matching rule applies.
//
//  - Rows: the folder list shows a file when WildcardMatch(path, filter box text) says so
//    (browser/Wildcard.h): name and mask split at their last "." and compared part by part, where a
//    name part that ends early matches ("a.ba" is a row under "*.bak") and an empty part matches only an
//    empty one ("*.*" hides ".profile").
//  - Totals: a folder's Size, Used, Slack and Files, the report's file counts and the report's tree walk
//    count a file when TDosWildcard(mask) matches its name (platform/DosWildcard.h), the rules of
//    FindFirstFile: "*.bak" takes exactly the names that end in ".bak", "*" and "*.*" take every name,
//    ".profile" included. These are the totals' rules whether the names come from the disk or from the
//    scan tree: both go through TFolderSizeMask, so they cannot drift apart.
//
// The two rules differ on purpose and stay as they are: rows follow the filter box's own matcher, totals
// the rules the totals were always counted by (a search of the folder for the mask).
#include <string>
#include <string_view>

#include "platform/DosWildcard.h"
#include "shell/FolderSizeCache.h"

class TFolderSizeMask {
public:
    explicit TFolderSizeMask(std::string_view mask)
        : FMatcher(mask),
          FLower(LowerCaseText(mask)),
          FCacheable(FLower.size() <= TFolderSizeCache::kMaxMask),
          FByExtension(ByExtension(mask)),
          FRequired(FMatcher.ComparesAnEnd() ? std::string() : Required(mask)) {}

    // True when a file of that name (one path component) counts in the totals.
    bool Matches(std::string_view name) const {
        for (char c : FRequired)
            if (!Holds(name, c)) return false;
        return FMatcher.Matches(name);
    }
    bool MatchesAll() const { return FMatcher.MatchesAll(); }
    // True when whether a name matches depends only on its extension (from its last "."): "*.ext" with a
    // plain extension. Matches(extension) then answers for every name with that extension, so the scan
    // tree asks once per extension, not once per file.
    bool ByExtension() const { return FByExtension; }
    // The form the cache keeps masks in.
    const std::string& Lower() const { return FLower; }
    // Totals for this mask may be cached (the mask is not too long to be kept).
    bool Cacheable() const { return FCacheable; }

private:
    TDosWildcard FMatcher;
    std::string FLower;
    bool FCacheable;
    bool FByExtension;
    // ASCII characters that every matching name holds (letters in lower case, either case counts): each
    // plain character of the mask takes one equal character of the name. A quick first test, so that
    // "*.~*" does not walk the matcher's states for every name without a "~". Not needed where the matcher
    // only compares one end of the name.
    std::string FRequired;

    static bool Holds(std::string_view name, char c) {
        const bool letter = c >= 'a' && c <= 'z';
        for (char n : name)
            if (n == c || (letter && n == c - 32)) return true;
        return false;
    }
    static std::string Required(std::string_view mask) {
        std::string required;
        for (std::size_t i = 0; i < mask.size(); ++i) {
            char c = mask[i];
            if (c == '*' || c == '?' || static_cast<unsigned char>(c) >= 0x80) continue;
            // A "." before a wildcard or at the end may also match the end of a name.
            const char next = i + 1 < mask.size() ? mask[i + 1] : 0;
            if (c == '.' && (next == 0 || next == '*' || next == '?')) continue;
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (required.find(c) == std::string::npos) required += c;
        }
        return required;
    }

    // "*." and then at least one character, none of them a wildcard, a "." or outside ASCII: such a mask
    // takes exactly the names ending in ".ext", which are the names whose last "." begins ".ext".
    static bool ByExtension(std::string_view mask) {
        if (mask.size() < 3 || mask[0] != '*' || mask[1] != '.') return false;
        for (char c : mask.substr(2))
            if (c == '*' || c == '?' || c == '.' || static_cast<unsigned char>(c) >= 0x80) return false;
        return true;
    }
};
