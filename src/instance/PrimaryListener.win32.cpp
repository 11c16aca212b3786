// The primary's side of forwarding on Windows: the listener that copies
// each later launch's arguments from the shared block, and the workers
// that serve the launches once main has started.

#include "instance/PrimaryListener.win32.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "instance/ForwardingProbe.h"
#include "instance/InstanceNames.h"
#include "instance/InstanceState.win32.h"
#include "instance/NamedObjects.win32.h"

#include <memory>

namespace launcher {

namespace {

// One forwarded launch, owned by the worker thread that serves it.
struct ForwardedLaunch {
    std::shared_ptr<SingleInstanceGuard::State> state;
    uint64_t number = 0;
    TextList arguments;
};

DWORD WINAPI serveForwarded(void* param) {
    std::unique_ptr<ForwardedLaunch> launch(static_cast<ForwardedLaunch*>(param));
    SingleInstanceGuard::State& state = *launch->state;
    ScopeExit ended([&] { state.workerEnded(); });
    const uint64_t number = launch->number;
    // Nothing may call into Java before main has been called; a primary
    // that stops first serves nothing more. The wait names the stop first,
    // as it reports the lowest of the events that are set; but the events
    // only wake the worker: one may wake on the ready event just as stop()
    // begins, so the decision reads the stop under the lock stop() takes.
    HANDLE events[2] = {state.stopped.get(), state.ready.get()};
    WaitForMultipleObjects(2, events, FALSE, INFINITE);
    atForwardingPoint(ForwardingPoint::WorkerBeforeServer);
    // The state outlives the worker's use of these: the worker holds it.
    auto reply = [&state, number](int32_t value) { state.answer(number, value, kAnswerServed); };
    auto enter = [&state, number] { return state.enter(number); };
    if (state.isStopping() || !state.server(launch->arguments, reply, enter)) {
        state.answer(number, 0, kAnswerNotServed);
    }
    return 0;
}

// Each launch is served on a thread of the system's own making, whose start
// state is this heap object alone: nothing of a threads library's own
// bookkeeping stands between the listener and the worker.
void startWorker(const std::shared_ptr<SingleInstanceGuard::State>& state, DWORD sender, TextList arguments) {
    const uint64_t number = state->addWorker(sender);
    if (number == 0) {
        postAnswer(sender, state->message, 0, kAnswerNotServed);
        return;
    }
    auto* launch = new ForwardedLaunch{state, number, std::move(arguments)};
    UniqueHandle worker(CreateThread(nullptr, 0, &serveForwarded, launch, 0, nullptr));
    if (worker) return;
    delete launch;
    state->answer(number, 0, kAnswerNotServed);
    state->workerEnded();
}

DWORD WINAPI listen(void* param) {
    std::unique_ptr<std::shared_ptr<SingleInstanceGuard::State>> owner(
        static_cast<std::shared_ptr<SingleInstanceGuard::State>*>(param));
    const std::shared_ptr<SingleInstanceGuard::State>& state = *owner;
    MSG msg;
    // Gives the thread its queue at once, so that posts to it succeed.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != state->message) continue;
        const auto sender = static_cast<DWORD>(msg.wParam);
        // A repeated message finds the slot taken, or another launch's; a
        // launch that gave up at its time limit has taken its slot back; a
        // message that names no launch's slot (a stray or forged one) claims
        // nothing.
        if (!claimForwardSlot(state->block(), sender)) continue;
        // The slot is copied as the message arrives and handed back at once,
        // so the next secondary may write it while this one is served.
        TextList arguments = readForwardArguments(state->block());
        clearForwardArguments(state->block());
        SetEvent(state->taken.get());
        startWorker(state, sender, std::move(arguments));
    }
    return 0;
}

} // namespace

bool startPrimary(const std::shared_ptr<SingleInstanceGuard::State>& state) {
    std::span<uint8_t> block = state->block();
    const DWORD previous = readBlockWord(block, kPrimaryProcessOffset);
    if (previous != 0 && trace::on()) {
        trace::say({u"single instance: process ", toDecimal(static_cast<long long>(previous)),
                    u" no longer serves: this start takes its place"});
    }
    state->mainStarted = sharedObject(createSharedEvent(mainStartedEventName(state->base), true), u"start event");
    state->taken = sharedObject(createSharedEvent(forwardTakenName(state->base), false), u"hand-over event");
    state->ready.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    state->stopped.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    state->message = RegisterWindowMessageW(wide(state->base));
    if (!state->mainStarted || !state->taken || !state->ready || !state->stopped || state->message == 0) return false;
    // An earlier primary's start is not this one's.
    ResetEvent(state->mainStarted.get());
    writeBlockWord(block, kListenerThreadOffset, 0);
    writeBlockWord(block, kSenderThreadOffset, 0);
    clearForwardArguments(block);
    writeBlockWord(block, kMessageIdOffset, state->message);
    writeBlockWord(block, kPrimaryProcessOffset, GetCurrentProcessId());
    auto* param = new std::shared_ptr<SingleInstanceGuard::State>(state);
    // The system writes the listener's id straight into the shared block.
    auto* idSlot = reinterpret_cast<DWORD*>(block.data() + kListenerThreadOffset);
    state->listener.reset(CreateThread(nullptr, 0, &listen, param, 0, idSlot));
    if (!state->listener) {
        delete param;
        writeBlockWord(block, kPrimaryProcessOffset, 0);
        return false;
    }
    state->listenerId = GetThreadId(state->listener.get());
    setVmExitListener(&state->exitMark);
    return true;
}

} // namespace launcher
