#include "jvm/VmHooks.h"
#include "base/BackgroundWork.h"
#include "base/Trace.h"

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

struct CreateEnd {
    CreateEndHandler handler;
    void* context;
};
std::atomic<CreateEnd*> currentCreateEnd{nullptr};

// Hands value to the hooks through current, or takes it back when set is
// false. The value lives in a static slot that is never freed, as a hook
// may read it on another thread while the process ends; the pointer is
// taken back before the slot is written, so no hook sees it half-written.
template <typename Slot>
void publish(std::atomic<Slot*>& current, Slot& slot, const Slot& value, bool set) {
    current = nullptr;
    if (!set) return;
    slot = value;
    current = &slot;
}

void tellCreateEnd() {
    if (CreateEnd* end = currentCreateEnd.exchange(nullptr)) end->handler(end->context);
}

struct EndWork {
    VmEndWork work;
    void* context;
};
std::atomic<EndWork*> currentEndWork{nullptr};
} // namespace

void setVmEndWork(VmEndWork work, void* context) {
    static EndWork end;
    publish(currentEndWork, end, {work, context}, work != nullptr);
}

void runVmEndWork() {
    // Whoever comes first does it: the exit hook and the end of the
    // launcher may race when System.exit is called while main returns.
    if (EndWork* end = currentEndWork.exchange(nullptr)) end->work(end->context);
}

void setVmExitListener(VmExitListener* listener) { currentListener = listener; }

void setHelperExitHandler(HelperExitHandler handler, void* context) {
    // One lookup at a time.
    static HelperWatch watch;
    publish(currentHelperWatch, watch, {handler, context}, handler != nullptr);
}

void setCreateEndHandler(CreateEndHandler handler, void* context) {
    static CreateEnd end;
    publish(currentCreateEnd, end, {handler, context}, handler != nullptr);
}

void JNICALL vmExitHook(jint code) {
    if (trace::on()) trace::say({u"exit code ", toDecimal(code), u": the runtime ends the process (System.exit, or its own launcher helper)"});
    tellCreateEnd();
    if (HelperWatch* watch = currentHelperWatch.exchange(nullptr)) watch->handler(code, watch->context);
    runVmEndWork();
    if (VmExitListener* listener = currentListener.load()) listener->exit(code);
    // The runtime ends the process after this hook: not while a look at
    // the feed still uses what the exit tears down.
    endBackgroundWork(code);
}

void JNICALL vmAbortHook() {
    if (trace::on()) trace::line(u"the runtime aborts the process");
    tellCreateEnd();
    if (VmExitListener* listener = currentListener.load()) listener->abort();
}

} // namespace launcher
