// Naming, locking and the rendezvous of the Linux port's launches (see
// InstanceState.posix.h for what travels over the connection).

#include "instance/Rendezvous.posix.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "base/VariableTable.h"
#include "instance/InstanceNames.h"
#include "instance/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace launcher {

namespace {

SocketPlace socketPlace(std::u16string_view modulePath) {
    // Read in every start: only a folder of this user's that nobody else
    // can write is used (chooseSocketPlace).
    const std::string folder = toNarrow(readVariable(u"XDG_RUNTIME_DIR").value.value_or(u""));
    RuntimeFolderFacts facts;
    struct stat info{};
    if (!folder.empty() && ::stat(folder.c_str(), &info) == 0) {
        facts = {S_ISDIR(info.st_mode), static_cast<uint32_t>(info.st_uid), static_cast<uint32_t>(info.st_mode & 07777)};
    }
    return chooseSocketPlace(folder, facts, getuid(), instanceSocketName(modulePath, getuid()));
}

UniqueDescriptor newSocket() { return UniqueDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)); }

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

} // namespace

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
// that refuses connections has no live owner. A lock that someone holds for
// longer than a primary takes to start is not waited for.
UniqueDescriptor lockPlace(const SocketName& name) {
    UniqueDescriptor lock(::open(name.lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock) return lock;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrimaryReadyMillis);
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return UniqueDescriptor();
        if (std::chrono::steady_clock::now() >= deadline) {
            if (trace::on()) trace::say({u"single instance: the lock ", fromNarrow(name.lockPath), u" stays taken"});
            return UniqueDescriptor();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lock;
}

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

Rendezvous meet(const SocketName& name, UniqueDescriptor& socket) {
    return name.path.empty() ? meetAtAbstractName(name, socket) : meetAtPath(name, socket);
}


} // namespace launcher
