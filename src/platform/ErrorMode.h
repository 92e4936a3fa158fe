#pragma once
// Suppression of the system's critical-error boxes ("There is no disk in the drive"), so that a drive
// without media or an unreachable share yields "not found" instead of a dialog. The mode is the calling
// thread's own (a worker thread opens its own scope); the previous mode comes back when the scope ends,
// on every way out, exceptions included. Scopes nest. On POSIX there are no such boxes and the scope
// only records that it is open.
#include <cstdint>

class TCriticalErrorScope {
public:
    TCriticalErrorScope();
    ~TCriticalErrorScope();
    TCriticalErrorScope(const TCriticalErrorScope&) = delete;
    TCriticalErrorScope& operator=(const TCriticalErrorScope&) = delete;

private:
    std::uint32_t FPrevious;
};

// True while critical-error boxes are suppressed on the calling thread.
bool CriticalErrorsSuppressed();
