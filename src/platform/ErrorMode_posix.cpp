#include "platform/ErrorMode.h"

namespace {
thread_local std::uint32_t GDepth = 0;
}

TCriticalErrorScope::TCriticalErrorScope() : FPrevious(GDepth++) {}
TCriticalErrorScope::~TCriticalErrorScope() {
    GDepth = FPrevious;
}
bool CriticalErrorsSuppressed() {
    return GDepth > 0;
}
