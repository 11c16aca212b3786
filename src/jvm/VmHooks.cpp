#include "jvm/VmHooks.h"
#include "base/Trace.h"

#include <atomic>

namespace launcher {

namespace {
// Read from whatever thread the runtime calls the hooks on.
std::atomic<VmExitListener*> currentListener{nullptr};
} // namespace

void setVmExitListener(VmExitListener* listener) { currentListener = listener; }

void JNICALL vmExitHook(jint code) {
    if (trace::on()) trace::say({u"exit code ", toDecimal(code), u": the runtime ends the process (System.exit, or its own launcher helper)"});
    if (VmExitListener* listener = currentListener.load()) listener->exit(code);
}

void JNICALL vmAbortHook() {
    if (trace::on()) trace::line(u"the runtime aborts the process");
    if (VmExitListener* listener = currentListener.load()) listener->abort();
}

} // namespace launcher
