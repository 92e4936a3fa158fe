#pragma once
// Long-path form of a UTF-8 path for the wide Win32 file functions (Windows only): the full path with
// the "\\?\" prefix ("\\?\UNC\" for network paths), so paths over 260 characters work everywhere.
#include <string>
#include <string_view>

std::wstring LongPath(std::string_view path);
