#pragma once
// UTF-8 <-> UTF-16 conversion at the Win32 call (Windows only).
#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// The system's text for a Win32 error code (FormatMessage), in UTF-8 without its trailing line break
// and spaces. False, with text empty, when the system has no text for the code.
bool SystemMessageText(unsigned long error, std::string& text);
