#pragma once
// Long-path form of a UTF-8 path for the wide Win32 file functions (Windows only): the full path with
// the "\\?\" prefix ("\\?\UNC\" for network paths), so paths over 260 characters work everywhere.
#include <string>
#include <string_view>

std::wstring LongPath(std::string_view path);

// The full path of a wide path by GetFullPathNameW, a string operation: "." and ".." and relative paths
// are resolved at any length and the path need not exist. Empty when the system refuses the path.
std::wstring FullPathName(const std::wstring& path);
