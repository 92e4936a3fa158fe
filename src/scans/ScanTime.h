#pragma once
// Unix seconds and the scan tree's times (100-ns ticks since 1601, FILETIME).
#include <cstdint>

constexpr std::int64_t kUnixEpochTicks = 116444736000000000;  // 1970-01-01 in FILETIME ticks
constexpr std::int64_t kTicksPerSecond = 10000000;
// The latest Unix second whose ticks fit 64 bits.
constexpr std::int64_t kMaxUnixSeconds = (INT64_MAX - kUnixEpochTicks) / kTicksPerSecond;

inline std::int64_t UnixSecondsOf(std::int64_t ticks) {
    const std::int64_t d = ticks - kUnixEpochTicks;
    return d >= 0 ? d / kTicksPerSecond : -((-d + kTicksPerSecond - 1) / kTicksPerSecond);
}
inline std::int64_t TicksOfUnixSeconds(std::int64_t seconds) {
    return seconds * kTicksPerSecond + kUnixEpochTicks;
}
