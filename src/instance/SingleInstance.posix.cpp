// The settling of a launch's role on Linux, the primary's end and a later
// launch's wait for its answer (see InstanceState.posix.h for how the
// launches meet).

#include "instance/SingleInstance.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "instance/ForwardBlock.h"
#include "instance/ForwardingProbe.h"
#include "instance/InstanceState.posix.h"
#include "instance/PrimaryListener.posix.h"
#include "instance/Rendezvous.posix.h"
#include "jvm/VmHooks.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace launcher {

namespace {

// The name goes with the listening socket: the next launch is a primary. A
// socket file is removed under the lock, while it is still this primary's;
// a lock that stays taken is not waited for, as the file is this
// primary's own until it is gone.
void release(SingleInstanceGuard::State& state) {
    if (!state.name.path.empty()) {
        UniqueDescriptor lock = lockPlace(state.name);
        ::unlink(state.name.path.c_str());
    }
    state.socket.reset();
}

void awaitWorkers(SingleInstanceGuard::State& state) {
    std::unique_lock guard(state.lock);
    const bool ended = state.changed.wait_for(guard, std::chrono::milliseconds(kWorkersEndMillis),
                                              [&] { return state.workers == 0; });
    if (!ended && trace::on()) {
        trace::say({u"single instance: ", toDecimal(static_cast<long long>(state.workers)),
                    u" forwarded launches still being served at the end; they keep what they use"});
    }
}

enum class Acknowledged { Taken, Dropped, Silent };

// The primary's 'T' for the block just sent: Dropped when the connection
// ended first (the primary ended or was stopping: nothing was taken).
Acknowledged awaitTaken(int fd) {
    pollfd watched{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = poll(&watched, 1, kPrimaryReadyMillis);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return Acknowledged::Silent;
    std::array<uint8_t, kReplySize> reply{};
    if (ready < 0 || !receiveAll(fd, reply.data(), reply.size())) return Acknowledged::Dropped;
    return reply[0] == kTaken ? Acknowledged::Taken : Acknowledged::Dropped;
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() { stop(); }

bool SingleInstanceGuard::start(std::u16string_view modulePath, const TextList& arguments, ForwardServer server) {
    state_.reset();
    role_ = InstanceRole::Off;
    std::array<uint8_t, kForwardBlockSize> block{};
    const bool fits = writeForwardArguments(block, arguments);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrimaryReadyMillis);
    auto state = std::make_shared<State>();
    state->server = std::move(server);
    state->name = socketName(modulePath);
    while (true) {
        switch (meet(state->name, state->socket)) {
        case Rendezvous::Unavailable: return true;
        case Rendezvous::Unreachable:
            role_ = InstanceRole::Secondary;
            return false;
        case Rendezvous::Primary:
            if (!startPrimary(state)) {
                release(*state);
                return true;
            }
            state_ = state;
            role_ = InstanceRole::Primary;
            return true;
        case Rendezvous::Secondary: break;
        }
        role_ = InstanceRole::Secondary;
        if (!fits || !sendAll(state->socket.get(), block.data(), block.size())) return false;
        switch (awaitTaken(state->socket.get())) {
        case Acknowledged::Taken: state_ = state; return true;
        case Acknowledged::Silent: return false;
        case Acknowledged::Dropped: break;
        }
        if (trace::on()) trace::say({u"single instance: the primary ended before it took this launch's arguments"});
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void SingleInstanceGuard::mainStarted(bool servesLaunches) {
    if (role_ != InstanceRole::Primary) return;
    std::lock_guard guard(state_->lock);
    state_->started = true;
    state_->servesLaunches = servesLaunches;
    state_->changed.notify_all();
}

void SingleInstanceGuard::setExitCode(int code) {
    if (role_ != InstanceRole::Primary) return;
    std::lock_guard guard(state_->lock);
    state_->exitCode = code;
}

// Stops accepting and lets go of the name at once, so that the next launch
// is a primary while this process lives on; then answers what it owes.
void SingleInstanceGuard::stop() {
    if (role_ != InstanceRole::Primary || !state_) return;
    setVmExitListener(nullptr);
    int code = 0;
    {
        // Workers still waiting for main wake and answer "not served".
        std::lock_guard guard(state_->lock);
        state_->stopping = true;
        code = state_->exitCode;
        state_->changed.notify_all();
    }
    atForwardingPoint(ForwardingPoint::StopBegun);
    const char wake = 1;
    while (::write(state_->wakeWrite.get(), &wake, 1) < 0 && errno == EINTR) {
    }
    if (state_->listener.joinable()) state_->listener.join();
    release(*state_);
    // No worker starts from here: the listener has ended.
    awaitWorkers(*state_);
    state_->announceExit(code, true);
    state_.reset();
    role_ = InstanceRole::Off;
}

std::optional<int> SingleInstanceGuard::waitForPrimary() {
    if (role_ != InstanceRole::Secondary || !state_) return -1;
    std::array<uint8_t, kReplySize> reply{};
    const bool heard = receiveAll(state_->socket.get(), reply.data(), reply.size());
    if (!heard || (reply[0] != kAnswer && reply[0] != kExited && reply[0] != kNotServed)) {
        // A primary that ended without a word (it crashed) leaves no code to give.
        if (trace::on()) trace::say({u"single instance: the primary ended before it answered this launch"});
        return -1;
    }
    if (reply[0] == kNotServed) {
        if (trace::on()) trace::say({u"single instance: the primary could not serve this launch"});
        // Nothing of this launch was used: start may settle its role anew.
        state_.reset();
        role_ = InstanceRole::Off;
        return std::nullopt;
    }
    return static_cast<int32_t>(readBlockWord(reply, 1));
}

} // namespace launcher
