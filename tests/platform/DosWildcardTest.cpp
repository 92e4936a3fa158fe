#include <gtest/gtest.h>

#include <string>

#include "platform/DosWildcard.h"

namespace {

struct TCase {
    const char* Pattern;
    const char* Name;
    bool Expected;
};

// The rules FindFirstFile applies to patterns, one row each.
const TCase kCases[] = {
    // every name
    {"*", "a", true},
    {"*", ".hidden", true},
    {"*.*", "noext", true},
    {"*.*", ".hidden", true},
    {"*.*", "a.b.c", true},
    // star before the last dot
    {"*.txt", "a.txt", true},
    {"*.txt", "a.b.txt", true},
    {"*.txt", ".txt", true},
    {"*.txt", "a.txtx", false},
    {"*.txt", "atxt", false},
    {"*.txt", "a.txt.bak", false},
    {"*.txt", "A.TXT", true},
    {"*.TXT", "a.txt", true},
    {"*.tar.gz", "x.tar.gz", true},
    {"*.tar.gz", "x.gz", false},
    // question mark: one character, or none at the end or before a dot
    {"a?c", "abc", true},
    {"a?c", "ac", false},
    {"a?c", "a.c", false},
    {"a?c", "abbc", false},
    {"a?", "a", true},
    {"a?", "ab", true},
    {"a?", "abc", false},
    {"a??", "a", true},
    {"a?.txt", "a.txt", true},
    {"a?.txt", "ab.txt", true},
    {"a?.txt", "abc.txt", false},
    {"a?c.*", "abc.txt", true},
    {"a?c.*", "abc", true},
    {"a?c.*", "ABC.doc", true},
    {"a?c.*", "abcd.txt", false},
    {"?", "", true},
    // dot before a wildcard or at the end: a dot, or the end of a name without one
    {"a.*", "a", true},
    {"a.*", "a.b", true},
    {"a.*", "a.b.c", true},
    {"a.*", "ab", false},
    {"*.", "noext", true},
    {"*.", "a.b", false},
    {"abc.", "abc", true},
    {"a.?", "a", true},
    {"a.?", "a.b", true},
    {"a.?", "a.bc", false},
    // plain star anywhere else
    {"a*", "a.b.c", true},
    // a plain beginning and one final star
    {"f1*", "F1.txt", true},
    {"f1*", "f1", true},
    {"f1*", "f", false},
    {"f1*", "xf1", false},
    {"f1*", "fé1", false},
    {"a.b*", "a.bcd", true},
    {"a.b*", "a", false},
    {"a b*", "A B.c", true},
    {"*b*", "abc", true},
    {"*b*", "ac", false},
    {"*x", "box", true},
    {"*x", "boy", false},
    // literals and case
    {"readme", "README", true},
    {"readme", "readme.txt", false},
    {"", "", true},
    {"", "a", false},
    {"a", "", false},
    // non-ASCII letters fold as well
    {"ünïcødé.*", "ÜNÏCØDÉ.TXT", true},
    {"жук*", "ЖУКИ.txt", true},
    {"*.αβγ", "x.ΑΒΓ", true},
    {"*.αβγ", "x.αβδ", false},
    {"日本?", "日本語", true},
};

TEST(PlatformDosWildcard, Table) {
    for (const auto& c : kCases) {
        EXPECT_EQ(DosWildcardMatch(c.Name, c.Pattern), c.Expected)
            << "pattern \"" << c.Pattern << "\" name \"" << c.Name << "\"";
    }
}

TEST(PlatformDosWildcard, CompiledMatcherIsReusable) {
    TDosWildcard txt("*.txt");
    EXPECT_FALSE(txt.MatchesAll());
    EXPECT_TRUE(txt.Matches("one.txt"));
    EXPECT_FALSE(txt.Matches("two.doc"));
    EXPECT_TRUE(txt.Matches("three.TXT"));
    EXPECT_TRUE(TDosWildcard("*.*").MatchesAll());
    EXPECT_TRUE(TDosWildcard("*").MatchesAll());
    EXPECT_TRUE(TDosWildcard("name.txt").IsLiteral());
    EXPECT_FALSE(TDosWildcard("n?me.txt").IsLiteral());
}

TEST(PlatformDosWildcard, LongAndHostilePatternsStayCheap) {
    // 300 characters of stars and question marks against a long name: linear, no blow-up, no crash.
    std::string pattern;
    for (int i = 0; i < 100; ++i) pattern += "*?.";
    std::string name(250, 'a');
    EXPECT_FALSE(DosWildcardMatch(name + "b", pattern + "c"));
    EXPECT_TRUE(DosWildcardMatch(std::string(300, 'x'), std::string(300, '*')));
    EXPECT_TRUE(DosWildcardMatch(std::string(300, 'x'), std::string(300, '?')));
    EXPECT_FALSE(DosWildcardMatch(std::string(301, 'x'), std::string(300, 'x')));
    EXPECT_TRUE(DosWildcardMatch(std::string(300, 'x'), std::string(300, 'X')));
}

TEST(PlatformDosWildcard, InvalidUtf8IsMatchedBytewise) {
    const std::string bad = "a\xff\xfe.txt";
    EXPECT_TRUE(DosWildcardMatch(bad, "*.txt"));
    EXPECT_TRUE(DosWildcardMatch(bad, "a??.txt"));
    EXPECT_FALSE(DosWildcardMatch(bad, "a?.txt"));
    EXPECT_TRUE(DosWildcardMatch(bad, bad));
    EXPECT_FALSE(DosWildcardMatch("a\xfe\xff.txt", bad));
    EXPECT_TRUE(DosWildcardMatch("\xe2\x82", "*"));  // cut-off sequence
}

TEST(PlatformDosWildcard, LowerCaseKeepsEveryByte) {
    EXPECT_EQ(LowerCaseText("C:\\Users\\ÄÖÜ\\ЖУК\\ΑΒΓ"), "c:\\users\\äöü\\жук\\αβγ");
    EXPECT_EQ(LowerCaseText("Ÿ"), "ÿ");
    // Undecodable bytes stay as they are, so different names keep different keys.
    EXPECT_EQ(LowerCaseText("A\xff\xc3"), "a\xff\xc3");
    EXPECT_EQ(LowerCaseText(""), "");
    for (char32_t c = 0; c < 0x2000; ++c) {
        char32_t lower = LowerCaseChar(c);
        if (lower != c) {
            EXPECT_EQ(UpperCaseChar(lower), c) << std::hex << static_cast<unsigned>(c);
        }
    }
}

TEST(PlatformDosWildcard, Utf8RoundTrip) {
    for (char32_t c : {char32_t{0x41}, char32_t{0xE9}, char32_t{0x416}, char32_t{0x65E5}, char32_t{0x1F600}}) {
        std::string s;
        AppendUtf8(s, c);
        std::size_t pos = 0;
        EXPECT_EQ(DecodeUtf8(s, pos), c);
        EXPECT_EQ(pos, s.size());
    }
    std::string overlong = "\xc0\x80";
    std::size_t pos = 0;
    EXPECT_EQ(DecodeUtf8(overlong, pos), char32_t{0xDCC0});
    EXPECT_EQ(pos, 1u);
    std::string surrogate = "\xed\xa0\x80";
    pos = 0;
    EXPECT_EQ(DecodeUtf8(surrogate, pos), char32_t{0xDCED});
}

}  // namespace
