#include "base/BackgroundWork.h"

#include <cstdio>
#include <windows.h>

namespace launcher {

void lowerThisThreadPriority() {
    // Background mode lowers the thread's disk and memory priority with its
    // processor priority: an unpack must not slow the program's own reads.
    SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
}

void endProcessNow(int code) {
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    // TerminateProcess on the own process does not return; should it,
    // the exit must still not come back to the caller.
    ExitProcess(static_cast<UINT>(code));
}

} // namespace launcher
