#pragma once
// UTF-8 <-> UTF-16 conversion at the Win32 call (Windows only).
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Converts UTF-8 to the system's ANSI code page, for the files written in it
// (settings, reports). Characters the code page lacks become "?".
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
