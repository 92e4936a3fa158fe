#pragma once
// Folders a user types (the start folder, the report switches' folder): made absolute and checked once,
// here, so that what is checked is what is listed or walked.
#include <string>
#include <string_view>

class TDirLister;

// The folder named by typed as an absolute path in the lister's form: a relative path resolves against
// the current folder; "." components and doubled separators go, and on Windows ".." goes too and "/"
// reads as "\" (under Wine a Unix-style "/tmp/x" names that Unix folder, on the drive that shows the Unix
// root). A trailing separator stays only at a root ("C:\", "/").
// False, with folder untouched, when nothing or something other than a folder is there (a file, a
// device).
//
// Only for text a user typed: on Windows the path is cleaned up by the system's full-path rules, which
// also strip trailing dots and blanks from names; a path built from names a listing gave is used as it is.
bool UserFolderPath(std::string_view typed, TDirLister& lister, std::string& folder);

// The message for a typed path that UserFolderPath refused: "Invalid folder." and the path.
std::string InvalidFolderText(std::string_view typed);
