#include <gtest/gtest.h>

#include <random>
#include <string>

#include "browser/TextSearch.h"
#include "browser/Wildcard.h"
#include "platform/Exception.h"

namespace {

struct TCase {
    const char* Name;
    const char* Mask;
    bool Match;
};

TEST(WildcardMatch, FilterMasks) {
    const TCase cases[] = {
        // "*.bak"
        {"a.bak", "*.bak", true},
        {"A.BAK", "*.bak", true},
        {"a.bak", "*.BAK", true},
        {"a.bak2", "*.bak", false},
        {"a.txt", "*.bak", false},
        {"a.ba", "*.bak", true},  // a name part that ends early matches
        // "*.~*"
        {"report.~doc", "*.~*", true},
        {"report.doc", "*.~*", false},
        // "*.*"
        {"readme", "*.*", true},
        {".hidden", "*.*", false},
        {"name.", "*.*", false},
        {"a.b.c", "*.*", true},
        // a literal mask: base and extension must be non-empty prefixes
        {"data.txt", "data.txt", true},
        {"dat.tx", "data.txt", true},
        {"datax.txt", "data.txt", false},
        {"data.txt2", "data.txt", false},
        {"ab.txt", "abc.txt", true},
        // "?"
        {"ax.c", "?x.*", true},
        {"bx.c", "?x.*", true},
        {"x.c", "?x.*", true},
        {"xy.c", "?x.*", false},
        // a mask without "." takes any extension; a name without "." has the extension "*"
        {"readme.txt", "readme", true},
        {"readme", "readme", true},
        {"readme", "*.txt", false},
        // only the last "." splits
        {"archive.tar.gz", "*.gz", true},
        {"archive.tar.gz", "*.tar", false},
        // empty parts
        {".txt", ".txt", true},
        {".txt", "*.txt", false},
    };
    for (const TCase& c : cases) EXPECT_EQ(WildcardMatch(c.Name, c.Mask), c.Match) << c.Name << " vs " << c.Mask;
}

TEST(WildcardMatch, PathPartsAreIgnored) {
    EXPECT_TRUE(WildcardMatch("C:\\Windows\\a.b\\file.bak", "*.bak"));
    EXPECT_FALSE(WildcardMatch("C:\\dir.bak\\file", "*.bak"));
    EXPECT_TRUE(WildcardMatch("file.bak", "C:\\other\\*.bak"));
    EXPECT_TRUE(WildcardMatch("/home/u/file.bak", "*.bak"));
}

TEST(WildcardMatch, EmptyAndOversizedInput) {
    EXPECT_FALSE(WildcardMatch("a.txt", ""));
    EXPECT_FALSE(WildcardMatch(".profile", ""));
    EXPECT_FALSE(WildcardMatch("C:\\x\\.hidden", "C:\\x\\"));
    EXPECT_FALSE(WildcardMatch("", "*.*"));
    std::string longMask(300, '*');
    EXPECT_TRUE(WildcardMatch("a.b", longMask + "." + longMask));
    std::string longName(300, 'a');
    // Only the first 255 characters of a part are compared.
    EXPECT_TRUE(WildcardMatch(longName + ".txt", std::string(255, 'a') + "b.txt"));
    EXPECT_FALSE(WildcardMatch(longName + ".txt", std::string(254, 'a') + "b.txt"));
    EXPECT_TRUE(WildcardMatch(longName + ".txt", "*.txt"));
}

TEST(WildcardMatch, NonAsciiNamesCountCharactersAndFoldCase) {
    EXPECT_TRUE(WildcardMatch("Ünïcode.TXT", "ünïcode.txt"));
    EXPECT_TRUE(WildcardMatch("éx.c", "?x.*"));  // one "?" for one letter, whatever its byte count
    EXPECT_TRUE(WildcardMatch("日本.txt", "??.txt"));
    EXPECT_FALSE(WildcardMatch("日本語.txt", "??.txt"));
    EXPECT_FALSE(WildcardMatch("\xff\xfe.txt", "\xfe.txt"));  // bytes that are not UTF-8 still compare
}

// Reference search: every place, by brute force.
std::int64_t Naive(const std::string& p, const std::string& t, bool cs, bool fwd, std::int64_t start) {
    auto eq = [&](char a, char b) {
        return cs ? a == b : UpperCaseMap()[static_cast<unsigned char>(a)] == UpperCaseMap()[static_cast<unsigned char>(b)];
    };
    auto at = [&](size_t pos) {
        for (size_t k = 0; k < p.size(); ++k)
            if (!eq(t[pos + k], p[k])) return false;
        return true;
    };
    if (p.size() > t.size() || p.empty()) return 0;
    size_t last = t.size() - p.size();
    if (fwd) {
        for (size_t pos = start < 1 ? 0 : static_cast<size_t>(start - 1); pos <= last; ++pos)
            if (at(pos)) return static_cast<std::int64_t>(pos) + 1;
        return 0;
    }
    size_t pos = (start <= 0 || static_cast<size_t>(start - 1) > last) ? last : static_cast<size_t>(start - 1);
    for (;; --pos) {
        if (at(pos)) return static_cast<std::int64_t>(pos) + 1;
        if (pos == 0) return 0;
    }
}

TEST(FindTextPos, AgreesWithBruteForceInAllFourVariants) {
    std::mt19937 rng(12345);
    const std::string alphabet = "abAB.x\xe9";
    auto randomText = [&](size_t maxLen) {
        std::string s(rng() % (maxLen + 1), ' ');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text = randomText(24);
        std::string pat = randomText(5);
        if (pat.empty()) pat = "a";
        bool cs = rng() % 2, fwd = rng() % 2;
        auto start = static_cast<std::int64_t>(rng() % 30) - 2;
        ASSERT_EQ(FindTextPos(pat, text, cs, fwd, start), Naive(pat, text, cs, fwd, start))
            << "pattern '" << pat << "' text '" << text << "' cs " << cs << " fwd " << fwd << " start " << start;
    }
}

TEST(FindTextPos, PositionsAndLimits) {
    EXPECT_EQ(FindTextPos("b", "abcabc", true, true, 1), 2);
    EXPECT_EQ(FindTextPos("b", "abcabc", true, true, 3), 5);
    EXPECT_EQ(FindTextPos("B", "abcabc", true, true, 1), 0);
    EXPECT_EQ(FindTextPos("B", "abcabc", false, true, 1), 2);
    EXPECT_EQ(FindTextPos("b", "abcabc", true, false, 0), 5);  // backward from the end
    EXPECT_EQ(FindTextPos("b", "abcabc", true, false, 4), 2);
    EXPECT_EQ(FindTextPos(".", "a.b.c", false, false, 5), 4);  // the last "." of a name
    EXPECT_EQ(FindTextPos("abc", "abcabc", true, false, 6), 4);  // start past the last fit
    EXPECT_EQ(FindTextPos("abcdefg", "abc", true, true, 1), 0);
    EXPECT_EQ(FindTextPos("abcdefg", "abc", true, false, 0), 0);
    EXPECT_EQ(FindTextPos("", "abc", true, false, 0), 0);
    EXPECT_EQ(FindTextPos("a", "", false, false, 0), 0);
    EXPECT_EQ(FindTextPos("a", "abc", true, true, 100), 0);
}

TEST(FindTextPos, EmptyPatternForwardRaises) {
    for (bool cs : {true, false}) {
        try {
            FindTextPos("", "abc", cs, true, 1);
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "BufferLen is 0");
        }
    }
}

TEST(FindTextPos, UpperCaseMapFoldsAsciiLettersOnly) {
    const unsigned char* map = UpperCaseMap();
    EXPECT_EQ(map['a'], 'A');
    EXPECT_EQ(map['z'], 'Z');
    EXPECT_EQ(map['A'], 'A');
    EXPECT_EQ(map['.'], '.');
    EXPECT_EQ(map[0], 0);
    for (int b = 0x80; b < 256; ++b) EXPECT_EQ(map[b], b);  // UTF-8 parts stay as they are
}

}  // namespace
