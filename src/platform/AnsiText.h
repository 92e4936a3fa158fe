#pragma once
// Text in the system's 8-bit (ANSI) code page, for the files the program writes in it. The POSIX
// backend uses Windows-1252, the code page of a Western Windows (and of Wine in such a locale), so both
// backends write the same bytes.
#include <string>
#include <string_view>

// Appends utf8 converted to the ANSI code page to ansi and returns true; returns false, with ansi
// unchanged, when the text is not valid UTF-8 or holds a character the code page lacks (no best-fit
// substitutes, no "?").
bool TryUtf8ToAnsi(std::string_view utf8, std::string& ansi);

// True when every byte is ASCII: such text is the same in every ANSI code page and in UTF-8.
inline bool IsAsciiText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
