// The settling of a launch's role on Windows, and the primary's end (see
// InstanceState.win32.h for how the launches meet).

#include "instance/SingleInstance.h"
#include "base/Trace.h"
#include "instance/ForwardingProbe.h"
#include "instance/HandOver.win32.h"
#include "instance/InstanceNames.h"
#include "instance/InstanceState.win32.h"
#include "instance/NamedObjects.win32.h"
#include "instance/ObjectSecurity.win32.h"
#include "instance/PrimaryListener.win32.h"

#include <memory>

namespace launcher {

namespace {

constexpr DWORD kSlotWaitMillis = 30000;

// Forwarding is off for this start; the trace says why.
bool unavailable(std::u16string_view why) {
    const DWORD error = GetLastError();
    if (trace::on()) {
        trace::say({u"single instance: ", why, u" (error ", toDecimal(static_cast<long long>(error)),
                    u"): this start runs on its own"});
    }
    return true;
}

bool processEnded(DWORD processId) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER; // no such process
    return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

// Whether the block names a primary that still serves: its process lives
// and the listener named beside it is that process's own thread.
bool primaryServes(std::span<const uint8_t> block) {
    const DWORD primary = readBlockWord(block, kPrimaryProcessOffset);
    const DWORD listener = readBlockWord(block, kListenerThreadOffset);
    // A process id is reused once its process has gone; its listener's id
    // ties it to the primary that wrote both.
    return primary != 0 && listener != 0 && !processEnded(primary) && threadOfProcess(listener, primary);
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

} // namespace

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
