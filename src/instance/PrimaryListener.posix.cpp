// The primary's side of forwarding on Linux: the listener that accepts the
// later launches' connections and the workers that serve the launches once
// main has started.

#include "instance/PrimaryListener.posix.h"
#include "base/Text.h"
#include "base/UniqueResource.h"
#include "instance/ForwardingProbe.h"
#include "instance/InstanceState.posix.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace launcher {

namespace {

void serve(const std::shared_ptr<SingleInstanceGuard::State>& state, uint64_t id, const TextList& arguments) {
    ScopeExit ended([&] {
        std::lock_guard guard(state->lock);
        --state->workers;
        state->changed.notify_all();
    });
    atForwardingPoint(ForwardingPoint::WorkerBeforeServer);
    {
        std::unique_lock guard(state->lock);
        // Nothing may call into Java before main has been called.
        state->changed.wait(guard, [&] { return state->started || state->stopping; });
        auto owed = state->waiting.find(id);
        if (owed == state->waiting.end()) return; // answered already
        if (state->stopping) {
            SingleInstanceGuard::State::send(owed->second.connection.get(), kNotServed, 0);
            state->waiting.erase(owed);
            return;
        }
    }
    auto reply = [state, id](int32_t value) { state->reply(id, kAnswer, value); };
    // Decided under the lock that announceExit takes: a launch is either
    // the program's or answered "not served", never both.
    auto enter = [state, id] {
        std::lock_guard guard(state->lock);
        auto owed = state->waiting.find(id);
        if (state->stopping || owed == state->waiting.end()) return false;
        owed->second.handed = true;
        return true;
    };
    if (!state->server(arguments, reply, enter)) state->reply(id, kNotServed, 0);
}

void accept(const std::shared_ptr<SingleInstanceGuard::State>& state) {
    UniqueDescriptor connection(::accept4(state->socket.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection || !sameUser(connection.get())) return;
    // A secondary sends its block at once; one that stalls is given up.
    timeval limit{kPrimaryReadyMillis / 1000, 0};
    setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::array<uint8_t, kForwardBlockSize> block{};
    if (!receiveAll(connection.get(), block.data(), block.size())) return;
    TextList arguments = readForwardArguments(block);
    uint64_t id = 0;
    {
        std::lock_guard guard(state->lock);
        // A stopping primary takes nothing: the connection ends unacknowledged.
        if (state->stopping || !SingleInstanceGuard::State::send(connection.get(), kTaken, 0)) return;
        id = state->nextId++;
        state->waiting.emplace(id, OwedAnswer{std::move(connection)});
        ++state->workers;
    }
    try {
        std::thread([state, id, arguments = std::move(arguments)] { serve(state, id, arguments); }).detach();
    } catch (...) {
        state->reply(id, kNotServed, 0);
        std::lock_guard guard(state->lock);
        --state->workers;
    }
}

void listen(const std::shared_ptr<SingleInstanceGuard::State>& state) {
    while (true) {
        pollfd watched[2] = {{state->socket.get(), POLLIN, 0}, {state->wakeRead.get(), POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        if (watched[0].revents & POLLIN) accept(state);
    }
}

} // namespace

bool startPrimary(const std::shared_ptr<SingleInstanceGuard::State>& state) {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) return false;
    state->wakeRead.reset(wake[0]);
    state->wakeWrite.reset(wake[1]);
    try {
        state->listener = std::thread([state] { listen(state); });
    } catch (...) {
        return false;
    }
    setVmExitListener(&state->announcer);
    return true;
}

} // namespace launcher
