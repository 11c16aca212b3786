#include "base/BackgroundWork.h"

#include <cstdio>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace launcher {

void lowerThisThreadPriority() {
    // Linux gives each thread a nice value of its own; raising it needs no
    // privilege. Failing, the work runs at the program's priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

void endProcessNow(int code) {
    std::fflush(nullptr);
    _exit(code);
}

} // namespace launcher
