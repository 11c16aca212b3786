#include "jvm/VmHooks.h"

#include <atomic>

namespace launcher {

namespace {
// Read from whatever thread the runtime calls the hooks on.
std::atomic<VmExitListener*> currentListener{nullptr};
} // namespace

void setVmExitListener(VmExitListener* listener) { currentListener = listener; }

void JNICALL vmExitHook(jint code) {
    if (VmExitListener* listener = currentListener.load()) listener->exit(code);
}

void JNICALL vmAbortHook() {
    if (VmExitListener* listener = currentListener.load()) listener->abort();
}

} // namespace launcher
