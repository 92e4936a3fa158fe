#pragma once
// Long-path forms of UTF-8 paths for the wide Win32 file functions (Windows only): "\\?\" before a drive
// path, "\\?\UNC\" before a network path. Paths past 260 characters work that way, and the system takes
// every name after the prefix exactly as written.
//
// Callers say which kind of path they hold:
// - LongPath: a path the program put together from names that a listing or the shell gave. Its names
//   are kept exactly. NTFS allows names that end in "." or " ", and the system's own clean-up of a
//   path (GetFullPathNameW) cuts those characters off, so "a." would reach the file "a", or nothing.
// - UserLongPath: a path the user typed or picked, read the way Windows reads such a path.
#include <string>
#include <string_view>

// An absolute path in long-path form with its names kept exactly. Only the text is tidied: '/' reads as
// '\\', doubled separators and "." components go, and ".." takes away the name before it. A path that
// is not absolute ("name", "C:name", "\name") is put after the working folder it refers to. A path
// already in "\\?\" or "\\.\" form is returned unchanged.
std::wstring LongPath(std::string_view path);

// A user's path made absolute and normalised by the system (FullPathName), in long-path form: relative
// parts resolved, and the trailing dots and blanks of every name dropped, as Windows does for typed
// paths. A device name ("NUL", "\\.\pipe\x") keeps its device form.
std::wstring UserLongPath(std::string_view path);

// The absolute form of a wide path with its names kept exactly: LongPath without the prefix.
std::wstring ExactFullPath(const std::wstring& path);

// The full path of a wide path by GetFullPathNameW, a string operation: "." and ".." and relative paths
// are resolved at any length and the path need not exist; trailing dots and blanks of names are
// dropped. Empty when the system refuses the path.
std::wstring FullPathName(const std::wstring& path);
