// The primary's side of forwarding on Windows, and the settling of a
// launch's role (see InstanceState.win32.h for how the launches meet).

#include "instance/SingleInstance.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "instance/ForwardingProbe.h"
#include "instance/InstanceNames.h"
#include "instance/InstanceState.win32.h"
#include "instance/ObjectLabel.win32.h"
#include "instance/ObjectSecurity.win32.h"

#include <memory>

namespace launcher {

namespace {

constexpr DWORD kSlotWaitMillis = 30000;

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

// Forwarding is off for this start; the trace says why.
bool unavailable(std::u16string_view why) {
    const DWORD error = GetLastError();
    if (trace::on()) {
        trace::say({u"single instance: ", why, u" (error ", toDecimal(static_cast<long long>(error)),
                    u"): this start runs on its own"});
    }
    return true;
}

enum class LockWait { Held, PrimaryEnded, Failed };

// Waits for the hand-over lock, and meanwhile for the end of the primary
// the block names: a launch that queues behind others learns at once that
// their primary is gone.
LockWait takeLock(SingleInstanceGuard::State& state, DWORD deadline) {
    const DWORD primaryId = readBlockWord(state.block(), kPrimaryProcessOffset);
    UniqueHandle primary(primaryId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, primaryId) : nullptr);
    // One that has ended already is no event to wait for.
    if (primary && WaitForSingleObject(primary.get(), 0) == WAIT_OBJECT_0) primary.reset();
    HANDLE both[2] = {state.lock.get(), primary.get()};
    const int left = static_cast<int>(deadline - GetTickCount());
    if (left <= 0) return LockWait::Failed;
    switch (WaitForMultipleObjects(primary ? 2 : 1, both, FALSE, static_cast<DWORD>(left))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED_0: // a launch that died holding it; the slot is looked at before use
        return LockWait::Held;
    case WAIT_OBJECT_0 + 1: return LockWait::PrimaryEnded;
    default: return LockWait::Failed;
    }
}

enum class Settled { Primary, Secondary, Failed, Alone };

// Under the lock: the primary the block names, or this launch when there is
// none that serves.
Settled settle(const std::shared_ptr<SingleInstanceGuard::State>& state, const TextList& arguments) {
    const DWORD deadline = GetTickCount() + kSlotWaitMillis;
    while (true) {
        LockWait waited = takeLock(*state, deadline);
        if (waited == LockWait::Failed) return Settled::Failed;
        if (waited == LockWait::PrimaryEnded) continue;
        ScopeExit release([&] { ReleaseMutex(state->lock.get()); });
        if (!primaryServes(state->block())) return startPrimary(state) ? Settled::Primary : Settled::Alone;
        switch (handOver(*state, arguments)) {
        case HandOver::Done: return Settled::Secondary;
        case HandOver::Failed: return Settled::Failed;
        case HandOver::Untrusted: return Settled::Alone;
        case HandOver::PrimaryGone: break; // settled anew: the next round takes the block over
        }
    }
}

// Every named object is made with an integrity label at this process's
// level: without one, an elevated start's objects read as medium, below
// the next elevated start, which would then not hand over; and the label
// keeps programs of lower integrity from opening them at all, so none can
// hold the lock. The level does not change while the process runs.
SECURITY_ATTRIBUTES* ownLevelLabel() {
    static ObjectLabel label = [] {
        ObjectLabel made(processIntegrity());
        if (!made && trace::on()) trace::line(u"single instance: the shared objects get no integrity label");
        return made;
    }();
    return label.attributes();
}

} // namespace

HANDLE createSharedBlock(const std::u16string& base) {
    return CreateFileMappingW(INVALID_HANDLE_VALUE, ownLevelLabel(), PAGE_READWRITE, 0, kForwardBlockSize,
                              wide(base));
}

HANDLE createHandOverLock(const std::u16string& base) {
    return CreateMutexW(ownLevelLabel(), FALSE, wide(forwardLockName(base)));
}

HANDLE createSharedEvent(const std::u16string& name, bool manualReset) {
    return CreateEventW(ownLevelLabel(), manualReset, FALSE, wide(name));
}

bool trustedObject(HANDLE object, std::u16string_view what) {
    std::optional<ObjectSecurity> security = readObjectSecurity(object);
    if (security && acceptExistingObject(*security, processIntegrity())) return true;
    if (trace::on()) {
        trace::say({u"single instance: the ", what, u" belongs to another user or to a lower integrity level: ",
                    u"this start runs on its own"});
    }
    return false;
}

UniqueHandle sharedObject(HANDLE created, std::u16string_view what) {
    UniqueHandle object(created);
    if (object && GetLastError() == ERROR_ALREADY_EXISTS && !trustedObject(object.get(), what)) {
        object.reset();
        SetLastError(ERROR_ALREADY_EXISTS);
    }
    return object;
}

bool processEnded(DWORD processId) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

bool primaryServes(std::span<const uint8_t> block) {
    const DWORD primary = readBlockWord(block, kPrimaryProcessOffset);
    const DWORD listener = readBlockWord(block, kListenerThreadOffset);
    // A process id is reused once its process has gone; its listener's id
    // ties it to the primary that wrote both.
    return primary != 0 && listener != 0 && !processEnded(primary) && threadOfProcess(listener, primary);
}

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

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() { stop(); }

bool SingleInstanceGuard::start(std::u16string_view modulePath, const TextList& arguments, ForwardServer server) {
    state_.reset();
    role_ = InstanceRole::Off;
    auto state = std::make_shared<State>();
    state->base = instanceBaseName(modulePath);
    state->server = std::move(server);
    state->lock = sharedObject(createHandOverLock(state->base), u"hand-over lock");
    if (!state->lock) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) return true;
        return unavailable(u"the hand-over lock cannot be made");
    }
    state->mapping = sharedObject(createSharedBlock(state->base), u"shared block");
    if (!state->mapping) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) return true;
        return unavailable(u"the shared block cannot be made");
    }
    state->view.reset(MapViewOfFile(state->mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!state->view) return unavailable(u"the shared block cannot be mapped");
    switch (settle(state, arguments)) {
    case Settled::Primary:
        state_ = state;
        role_ = InstanceRole::Primary;
        return true;
    case Settled::Secondary:
        state_ = state;
        role_ = InstanceRole::Secondary;
        return true;
    case Settled::Failed:
        role_ = InstanceRole::Secondary;
        return false;
    case Settled::Alone: break;
    }
    return unavailable(u"this start cannot serve later ones");
}

void SingleInstanceGuard::mainStarted(bool servesLaunches) {
    if (role_ != InstanceRole::Primary) return;
    AcquireSRWLockExclusive(&state_->workersLock);
    state_->servesLaunches = servesLaunches;
    ReleaseSRWLockExclusive(&state_->workersLock);
    SetEvent(state_->ready.get());
    SetEvent(state_->mainStarted.get());
}

// Waiting secondaries read this process's exit code from the system.
void SingleInstanceGuard::setExitCode(int) {}

// Lets go of the name at once: the block is marked released under the lock
// (other launches may hold views of it, so it outlives this primary), and
// the next launch takes it over although this process lives on for a while.
void SingleInstanceGuard::stop() {
    if (role_ != InstanceRole::Primary || !state_) return;
    State& state = *state_;
    setVmExitListener(nullptr);
    // From here the listener answers each claimed launch "not served", as
    // do workers for the launches the program has not got.
    state.beginStop();
    atForwardingPoint(ForwardingPoint::StopBegun);
    SetEvent(state.stopped.get());
    const DWORD locked = WaitForSingleObject(state.lock.get(), kSlotWaitMillis);
    std::span<uint8_t> block = state.block();
    if (readBlockWord(block, kPrimaryProcessOffset) == GetCurrentProcessId()) {
        writeBlockWord(block, kPrimaryProcessOffset, 0);
        writeBlockWord(block, kListenerThreadOffset, 0);
    }
    if (locked == WAIT_OBJECT_0 || locked == WAIT_ABANDONED) ReleaseMutex(state.lock.get());
    if (state.listener) {
        DWORD code = STILL_ACTIVE;
        while (GetExitCodeThread(state.listener.get(), &code) && code == STILL_ACTIVE) {
            PostThreadMessageW(state.listenerId, WM_QUIT, 0, 0);
            WaitForSingleObject(state.listener.get(), 50);
        }
        state.listener.reset();
    }
    // No worker starts from here: the listener has ended.
    if (int left = state.awaitWorkers(kWorkersEndMillis); left > 0 && trace::on()) {
        trace::say({u"single instance: ", toDecimal(static_cast<long long>(left)),
                    u" forwarded launches still being served at the end; they keep what they use"});
    }
    state_.reset();
    role_ = InstanceRole::Off;
}

std::optional<int> SingleInstanceGuard::waitForPrimary() {
    if (role_ != InstanceRole::Secondary) return 0;
    if (!state_) return -1;
    std::optional<int> answer = awaitAnswer(*state_);
    if (!answer) {
        // Nothing of this launch was used: start may settle its role anew.
        state_.reset();
        role_ = InstanceRole::Off;
    }
    return answer;
}

} // namespace launcher
