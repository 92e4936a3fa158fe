#pragma once
// The file filter's wildcard matcher.
#include <string_view>

// Matches the file-name part of path against the file-name part of mask, ignoring case. Name
// and mask split at their last "." into base and extension (no "." means the extension "*"); each
// part is compared position by position over at most 255 characters, where "?" on either side
// matches any character, a "*" in the mask matches the rest of the part, and a name part that
// ends early matches. An empty part matches only an empty part, so "*.*" refuses ".profile" and
// names ending in ".", and an empty mask matches nothing.
bool WildcardMatch(std::string_view path, std::string_view mask);
