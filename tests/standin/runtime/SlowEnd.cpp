// A runtime whose end takes its time once the VM is gone, and a process
// whose exit is slow as well: for the tests of launches that arrive while a
// primary is ending. STANDIN_SLOW_END gives both in milliseconds, "END EXIT"
// (read when the VM is created, so that later launches of the same
// executable may end at their usual pace).

#include "runtime/Runtime.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace standin {

namespace {

std::atomic<int> slowEndMillis{0};
std::atomic<int> slowExitMillis{0};

void exitSlowly() {
    trace("process end: slow");
    std::this_thread::sleep_for(std::chrono::milliseconds(slowExitMillis.load()));
    trace("process end: done");
}

} // namespace

void readSlowEnd() {
    std::istringstream text(environmentText("STANDIN_SLOW_END"));
    int end = 0, exit = 0;
    text >> end >> exit;
    slowEndMillis = end;
    slowExitMillis = exit;
}

void endSlowly() {
    if (slowExitMillis > 0) {
        static const bool registered = std::atexit(&exitSlowly) == 0;
        (void)registered;
    }
    if (slowEndMillis <= 0) return;
    trace("DestroyJavaVM: the VM is gone; its end takes a while");
    std::this_thread::sleep_for(std::chrono::milliseconds(slowEndMillis.load()));
    trace("DestroyJavaVM: returns");
}

} // namespace standin
