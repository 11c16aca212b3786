// The Linux port meets its other launches at a Unix socket named from the
// user and the executable's path: a file in the user's runtime folder
// (XDG_RUNTIME_DIR), which no other user can reach, or, without one, an
// abstract name. Binding the name is the test of who is first. A socket file
// outlives a primary that crashed: one that nobody listens on is stale, and
// the next launch takes it over, under a lock so that only one does.
//
// A secondary sends the forward block over the connection and reads one
// answer: 'A' with secondaryMain's value, or 'E' with the primary's exit
// code when the primary ends first (no other process can read a process's
// exit code here, so the primary tells it).

#include "instance/SingleInstance.h"
#include "base/Descriptor.posix.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "instance/ForwardBlock.h"
#include "instance/InstanceNames.h"
#include "jvm/VmHooks.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

namespace launcher {

namespace {

constexpr char kAnswer = 'A';
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

} // namespace

struct SocketName {
    sockaddr_un address{};
    socklen_t length = 0;
    std::string path;     // empty for an abstract name
    std::string lockPath;
};

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
    bool stopping = false;
    int exitCode = -1;     // until run settles it
    std::map<uint64_t, UniqueDescriptor> waiting; // connections owed an answer
    uint64_t nextId = 0;

    void reply(uint64_t id, char kind, int32_t value) {
        std::lock_guard guard(lock);
        auto found = waiting.find(id);
        if (found == waiting.end()) return;
        send(found->second.get(), kind, value);
        waiting.erase(found);
    }
    void announceExit(int code) {
        std::lock_guard guard(lock);
        for (auto& [id, connection] : waiting) send(connection.get(), kExited, code);
        waiting.clear();
        stopping = true;
        changed.notify_all();
    }
    static void send(int fd, char kind, int32_t value) {
        std::array<uint8_t, kReplySize> bytes{static_cast<uint8_t>(kind)};
        writeBlockWord(bytes, 1, static_cast<uint32_t>(value));
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
};

namespace {

void ExitAnnouncer::exit(jint code) { state_.announceExit(code); }
void ExitAnnouncer::abort() { state_.announceExit(-1); }

SocketPlace socketPlace(std::u16string_view modulePath) {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    RuntimeFolderFacts facts;
    struct stat info{};
    if (folder && *folder && ::stat(folder, &info) == 0) {
        facts = {S_ISDIR(info.st_mode), static_cast<uint32_t>(info.st_uid), static_cast<uint32_t>(info.st_mode & 07777)};
    }
    return chooseSocketPlace(folder ? folder : "", facts, getuid(), instanceSocketName(modulePath, getuid()));
}

SocketName socketName(std::u16string_view modulePath) {
    SocketName name;
    name.address.sun_family = AF_UNIX;
    SocketPlace place = socketPlace(modulePath);
    if (!place.path.empty()) {
        if (trace::on()) trace::say({u"single instance: socket ", fromNarrow(place.path)});
        std::memcpy(name.address.sun_path, place.path.data(), place.path.size());
        name.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + place.path.size() + 1);
        name.path = std::move(place.path);
        name.lockPath = std::move(place.lockPath);
        return name;
    }
    // A leading zero byte puts the name in the abstract namespace.
    std::string text = instanceSocketName(modulePath, getuid());
    if (trace::on()) trace::say({u"single instance: abstract socket name ", fromNarrow(text), u" (", fromNarrow(place.why), u")"});
    std::memcpy(name.address.sun_path + 1, text.data(), text.size());
    name.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + text.size());
    return name;
}

// Held while a launch binds the socket file, or finds it stale and takes it
// over: every primary listens before it lets go, so under the lock a socket
// that refuses connections has no live owner.
UniqueDescriptor lockPlace(const SocketName& name) {
    UniqueDescriptor lock(::open(name.lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock) return lock;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return UniqueDescriptor();
    }
    return lock;
}

UniqueDescriptor newSocket() { return UniqueDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)); }

// Another user may hold the same abstract name; nothing is exchanged with
// a process of someone else.
bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

bool sendAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool receiveAll(int fd, uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t got = ::recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

void serve(const std::shared_ptr<SingleInstanceGuard::State>& state, uint64_t id, const TextList& arguments) {
    {
        std::unique_lock guard(state->lock);
        // Nothing may call into Java before main has been called.
        state->changed.wait(guard, [&] { return state->started || state->stopping; });
        if (state->stopping) return;
    }
    state->server(arguments, [state, id](int32_t value) { state->reply(id, kAnswer, value); });
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
        if (state->stopping) return;
        id = state->nextId++;
        state->waiting.emplace(id, std::move(connection));
    }
    try {
        std::thread([state, id, arguments = std::move(arguments)] { serve(state, id, arguments); }).detach();
    } catch (...) {
        // No thread to be had: that launch waits for this process's end.
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

enum class Rendezvous { Primary, Secondary, Unavailable, Unreachable };

// A connection made without waiting: connected, or why not. A primary
// whose queue of unaccepted connections is full is busy, not gone.
enum class Contact { Connected, Busy, NoListener, Failed };

Contact contact(const SocketName& name, UniqueDescriptor& socket) {
    socket.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket) return Contact::Failed;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&name.address), name.length) == 0) {
        // The exchange that follows waits as usual.
        int flags = fcntl(socket.get(), F_GETFL);
        if (flags < 0 || fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return Contact::Failed;
        return Contact::Connected;
    }
    switch (errno) {
    case EAGAIN:
    case EINTR: return Contact::Busy;
    case ECONNREFUSED:
    case ENOENT: return Contact::NoListener;
    default: return Contact::Failed;
    }
}

// Binds the name and listens at once, so that no launch ever finds this
// primary's socket without a listener.
bool claim(const SocketName& name, UniqueDescriptor& socket) {
    socket = newSocket();
    if (!socket) return false;
    return ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&name.address), name.length) == 0 &&
           ::listen(socket.get(), SOMAXCONN) == 0;
}

Rendezvous met(UniqueDescriptor& socket) {
    // Another user may hold an abstract name; nothing is exchanged with a
    // process of someone else.
    return sameUser(socket.get()) ? Rendezvous::Secondary : Rendezvous::Unavailable;
}

// The socket file: connect to its primary, or become the primary, taking
// over a socket that nobody listens on (its primary crashed, or someone
// bound it and never listened).
Rendezvous meetAtPath(const SocketName& name, UniqueDescriptor& socket) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrimaryReadyMillis);
    while (true) {
        Contact first = contact(name, socket);
        if (first == Contact::Connected) return met(socket);
        if (first == Contact::Failed) return Rendezvous::Unreachable;
        if (first == Contact::NoListener) {
            UniqueDescriptor lock = lockPlace(name);
            if (!lock) return Rendezvous::Unavailable;
            if (claim(name, socket)) return Rendezvous::Primary;
            if (errno != EADDRINUSE) return Rendezvous::Unavailable;
            // A primary may have claimed it since; if not, it is stale.
            Contact second = contact(name, socket);
            if (second == Contact::Connected) return met(socket);
            if (second == Contact::NoListener) {
                if (trace::on()) trace::say({u"single instance: nobody listens on ", fromNarrow(name.path), u": taken over"});
                if (::unlink(name.path.c_str()) != 0 && errno != ENOENT) return Rendezvous::Unavailable;
                if (claim(name, socket)) return Rendezvous::Primary;
                return Rendezvous::Unavailable;
            }
            if (second == Contact::Failed) return Rendezvous::Unreachable;
        }
        // Busy: its queue drains as it accepts.
        if (std::chrono::steady_clock::now() >= deadline) return Rendezvous::Unreachable;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The abstract name: binding it is the test. A name that is bound but not
// yet listened on belongs to a primary that is starting up; a name nobody
// holds any more is taken over.
Rendezvous meetAtAbstractName(const SocketName& name, UniqueDescriptor& socket) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrimaryReadyMillis);
    while (true) {
        if (claim(name, socket)) return Rendezvous::Primary;
        if (errno != EADDRINUSE) return Rendezvous::Unavailable;
        Contact found = contact(name, socket);
        if (found == Contact::Connected) return met(socket);
        if (found == Contact::Failed) return Rendezvous::Unreachable;
        if (std::chrono::steady_clock::now() >= deadline) return Rendezvous::Unreachable;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Rendezvous meet(const SocketName& name, UniqueDescriptor& socket) {
    return name.path.empty() ? meetAtAbstractName(name, socket) : meetAtPath(name, socket);
}

} // namespace

namespace {

// The name goes with the listening socket: the next launch is a primary. A
// socket file is removed under the lock, while it is still this primary's.
void release(SingleInstanceGuard::State& state) {
    if (!state.name.path.empty()) {
        UniqueDescriptor lock = lockPlace(state.name);
        ::unlink(state.name.path.c_str());
    }
    state.socket.reset();
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() { stop(); }

bool SingleInstanceGuard::start(std::u16string_view modulePath, const TextList& arguments, ForwardServer server) {
    auto state = std::make_shared<State>();
    state->server = std::move(server);
    state->name = socketName(modulePath);
    switch (meet(state->name, state->socket)) {
    case Rendezvous::Unavailable:
        return true;
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
    case Rendezvous::Secondary:
        break;
    }
    state_ = state;
    role_ = InstanceRole::Secondary;
    std::array<uint8_t, kForwardBlockSize> block{};
    if (!writeForwardArguments(block, arguments)) return false;
    return sendAll(state->socket.get(), block.data(), block.size());
}

void SingleInstanceGuard::mainStarted() {
    if (role_ != InstanceRole::Primary) return;
    std::lock_guard guard(state_->lock);
    state_->started = true;
    state_->changed.notify_all();
}

void SingleInstanceGuard::setExitCode(int code) {
    if (role_ != InstanceRole::Primary) return;
    std::lock_guard guard(state_->lock);
    state_->exitCode = code;
}

void SingleInstanceGuard::stop() {
    if (role_ != InstanceRole::Primary || !state_) return;
    setVmExitListener(nullptr);
    int code = 0;
    {
        std::lock_guard guard(state_->lock);
        code = state_->exitCode;
    }
    state_->announceExit(code);
    const char wake = 1;
    while (::write(state_->wakeWrite.get(), &wake, 1) < 0 && errno == EINTR) {
    }
    if (state_->listener.joinable()) state_->listener.join();
    release(*state_);
    state_.reset();
    role_ = InstanceRole::Off;
}

std::optional<int> SingleInstanceGuard::waitForPrimary() {
    if (role_ != InstanceRole::Secondary || !state_) return -1;
    std::array<uint8_t, kReplySize> reply{};
    // A primary that ended without a word (it crashed) leaves no code to give.
    if (!receiveAll(state_->socket.get(), reply.data(), reply.size())) return -1;
    if (reply[0] != kAnswer && reply[0] != kExited) return -1;
    return static_cast<int32_t>(readBlockWord(reply, 1));
}

} // namespace launcher
