#include <windows.h>

#include "platform/ErrorMode.h"

TCriticalErrorScope::TCriticalErrorScope() : FPrevious(0) {
    DWORD previous = 0;
    if (::SetThreadErrorMode(::GetThreadErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous))
        FPrevious = previous;
    else
        FPrevious = ::GetThreadErrorMode();
}

TCriticalErrorScope::~TCriticalErrorScope() {
    ::SetThreadErrorMode(FPrevious, nullptr);
}

bool CriticalErrorsSuppressed() {
    return (::GetThreadErrorMode() & SEM_FAILCRITICALERRORS) != 0;
}
