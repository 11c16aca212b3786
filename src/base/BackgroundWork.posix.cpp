#include "base/BackgroundWork.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace launcher {

void lowerThisThreadPriority() {
    // Linux gives each thread a nice value of its own; raising it needs no
    // privilege. Ten steps, not the last: a thread at 19 gets next to no
    // time while the machine is busy, and a download and a check that
    // never end help nobody. Failing, the work runs at the program's
    // priority.
    const id_t thread = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) setpriority(PRIO_PROCESS, thread, std::min(now + 10, 19));
}

void endProcessNow(int code) {
    std::fflush(nullptr);
    _exit(code);
}

} // namespace launcher
