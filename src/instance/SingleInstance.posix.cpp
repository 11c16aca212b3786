// The Linux port meets its other launches at a Unix socket named from the
// user and the executable's path: a file in the user's runtime folder
// (XDG_RUNTIME_DIR), which no other user can reach, or, without one, an
// abstract name (Rendezvous.posix.cpp). Binding the name is the test of who
// is first. A socket file outlives a primary that crashed: one that nobody
// listens on is stale, and the next launch takes it over, under a lock so
// that only one does.
//
// A secondary sends the forward block over the connection; the primary
// acknowledges it with 'T' once it has taken it, and later answers once:
// 'A' with secondaryMain's value, 'N' when it could not serve the launch
// (nothing of it was used), or 'E' with the primary's exit code when the
// primary ends first (no other process can read a process's exit code
// here, so the primary tells it). A connection that ends before the 'T'
// left the arguments unused: that launch settles its role anew.

#include "instance/SingleInstance.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "base/UniqueResource.h"
#include "instance/ForwardBlock.h"
#include "instance/ForwardingProbe.h"
#include "instance/Rendezvous.posix.h"
#include "jvm/VmHooks.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <thread>

namespace launcher {

namespace {

constexpr char kTaken = 'T';
constexpr char kAnswer = 'A';
constexpr char kNotServed = 'N';
constexpr char kExited = 'E';
constexpr size_t kReplySize = 5;

// Tells waiting secondaries the code that System.exit ends this process with.
class ExitAnnouncer : public VmExitListener {
public:
    explicit ExitAnnouncer(SingleInstanceGuard::State& state) : state_(state) {}
    void exit(jint code) override;
    void abort() override;

private:
    SingleInstanceGuard::State& state_;
};

// A connection owed an answer; handed once the program has got the launch.
struct OwedAnswer {
    UniqueDescriptor connection;
    bool handed = false;
};

} // namespace

struct SingleInstanceGuard::State {
    SocketName name;
    UniqueDescriptor socket; // primary: listening; secondary: the connection
    UniqueDescriptor wakeRead, wakeWrite;
    std::thread listener;
    ForwardServer server;
    ExitAnnouncer announcer{*this};

    std::mutex lock;
    std::condition_variable changed;
    bool started = false;  // main has been called
    bool servesLaunches = true; // the main class has a secondaryMain
    bool stopping = false;
    int workers = 0;       // started and not yet ended: stop() waits for them
    int exitCode = -1;     // until run settles it
    std::map<uint64_t, OwedAnswer> waiting;
    uint64_t nextId = 0;

    void reply(uint64_t id, char kind, int32_t value) {
        std::lock_guard guard(lock);
        auto found = waiting.find(id);
        if (found == waiting.end()) return;
        send(found->second.connection.get(), kind, value);
        waiting.erase(found);
    }
    // A launch that the program got and left unanswered learns the exit
    // code, as it would from the system on Windows. One that the program
    // never got was not served, also when System.exit ends the process
    // while its worker attaches: it may start anew. A program without
    // secondaryMain gets no launch: each waits for the end and its code.
    void announceExit(int code, bool orderly) {
        std::lock_guard guard(lock);
        for (auto& [id, owed] : waiting) {
            const bool served = owed.handed || (!orderly && !servesLaunches);
            send(owed.connection.get(), served ? kExited : kNotServed, served ? code : 0);
        }
        waiting.clear();
        stopping = true;
        changed.notify_all();
    }
    static bool send(int fd, char kind, int32_t value) {
        std::array<uint8_t, kReplySize> bytes{static_cast<uint8_t>(kind)};
        writeBlockWord(bytes, 1, static_cast<uint32_t>(value));
        return sendAll(fd, bytes.data(), bytes.size());
    }
};

namespace {

// System.exit ends the process at once, as the end of a process does for
// the launches waiting on it on Windows.
void ExitAnnouncer::exit(jint code) { state_.announceExit(code, false); }
void ExitAnnouncer::abort() { state_.announceExit(-1, false); }

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
