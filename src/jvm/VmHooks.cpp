#include "jvm/VmHooks.h"

#include <atomic>

namespace launcher {

namespace {
// Read from whatever thread the runtime calls the hooks on.
std::atomic<VmExitListener*> currentListener{nullptr};

struct HelperWatch {
    HelperExitHandler handler;
    void* context;
};
std::atomic<HelperWatch*> currentHelperWatch{nullptr};
} // namespace

void setVmExitListener(VmExitListener* listener) { currentListener = listener; }

void setHelperExitHandler(HelperExitHandler handler, void* context) {
    // One lookup at a time; the watch outlives any exit it may see, as the
    // process ends within that exit.
    static HelperWatch watch;
    if (!handler) {
        currentHelperWatch = nullptr;
        return;
    }
    watch = {handler, context};
    currentHelperWatch = &watch;
}

void JNICALL vmExitHook(jint code) {
    if (HelperWatch* watch = currentHelperWatch.exchange(nullptr)) watch->handler(code, watch->context);
    if (VmExitListener* listener = currentListener.load()) listener->exit(code);
}

void JNICALL vmAbortHook() {
    if (VmExitListener* listener = currentListener.load()) listener->abort();
}

} // namespace launcher
