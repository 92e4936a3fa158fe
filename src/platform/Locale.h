#pragma once
// Case conversion by the user locale's rules, on UTF-8 text. Bytes that are not valid UTF-8
// pass through unchanged, so the result never loses data.
#include <string>
#include <string_view>

std::string UpperCaseLocale(std::string_view utf8);
std::string LowerCaseLocale(std::string_view utf8);

// True when the two texts are equal ignoring case (user locale).
inline bool SameText(std::string_view a, std::string_view b) {
    return UpperCaseLocale(a) == UpperCaseLocale(b);
}
