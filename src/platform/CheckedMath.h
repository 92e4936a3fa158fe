#pragma once
// Checked sums of sizes and counts: an overflow raises "Integer overflow" instead of wrapping.
#include <atomic>
#include <cstdint>

#include "platform/Exception.h"

inline std::int64_t CheckedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum;
    if (__builtin_add_overflow(a, b, &sum)) throw Exception("Integer overflow");
    return sum;
}

// Adds to a total that several threads add to; the total is left as it was when the sum overflows.
inline void CheckedAddTo(std::atomic<std::int64_t>& total, std::int64_t value) {
    std::int64_t current = total.load(std::memory_order_relaxed);
    while (!total.compare_exchange_weak(current, CheckedAdd(current, value), std::memory_order_relaxed)) {
    }
}
