#include "platform/DateTime.h"

#include <time.h>

#include <cstdio>

namespace {
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in 100-ns ticks since 1601
constexpr std::int64_t kTicksPerSecond = 10000000;
}  // namespace

std::string LocalDateTimeText(std::int64_t fileTime, bool evenSeconds) {
    if (fileTime <= 0) return {};
    // Floor division, so times before 1970 round down like the later ones.
    std::int64_t ticks = fileTime - kUnixEpochTicks;
    std::int64_t seconds = ticks / kTicksPerSecond - (ticks % kTicksPerSecond < 0 ? 1 : 0);
    time_t t = static_cast<time_t>(seconds);
    struct tm tm;
    if (!localtime_r(&t, &tm)) return {};
    if (evenSeconds) tm.tm_sec &= ~1;
    char text[64];
    int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    if (tm.tm_hour != 0 || tm.tm_min != 0 || tm.tm_sec != 0)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), " %02d:%02d:%02d", tm.tm_hour, tm.tm_min,
                           tm.tm_sec);
    return std::string(text, static_cast<size_t>(n));
}

std::int64_t NowFileTime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochTicks + static_cast<std::int64_t>(ts.tv_sec) * kTicksPerSecond + ts.tv_nsec / 100;
}

std::int64_t LocalToFileTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm tm {};
    tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day;
    tm.tm_hour = hour, tm.tm_min = minute, tm.tm_sec = second;
    tm.tm_isdst = -1;
    time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1)) return 0;
    return kUnixEpochTicks + static_cast<std::int64_t>(t) * kTicksPerSecond;
}
