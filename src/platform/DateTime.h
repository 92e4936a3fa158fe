#pragma once
// Local date-time text: the user's short date format, a blank and the long time format; the time is left
// out when it is exactly 00:00:00. The POSIX backend has no user formats and writes "YYYY-MM-DD hh:mm:ss".
#include <cstdint>
#include <string>

// The text of a file time (100-ns ticks since 1601-01-01 UTC, as TDirEntry::LastWriteTime gives it)
// in local time. With evenSeconds the seconds are rounded down to an even number, the two-second
// resolution of packed file dates (14:03:07 reads 14:03:06). Empty for a time of 0 or one that cannot
// be converted.
std::string LocalDateTimeText(std::int64_t fileTime, bool evenSeconds);

// The current time as a file time.
std::int64_t NowFileTime();

// The file time of a local wall-clock time (for tests: "14:03:07 local time"); 0 when it does not exist.
std::int64_t LocalToFileTime(int year, int month, int day, int hour, int minute, int second);
