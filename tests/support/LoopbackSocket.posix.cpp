#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace launcher::test {

namespace {

bool readyWithin(SocketHandle socket, short events, int milliseconds) {
    pollfd entry{static_cast<int>(socket), events, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

} // namespace

SocketHandle listenOn(const char* address, uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return kNoSocket;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    socklen_t length = sizeof where;
    if (::inet_pton(AF_INET, address, &where.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        ::close(fd);
        return kNoSocket;
    }
    port = ntohs(where.sin_port);
    return fd;
}

SocketHandle acceptWithin(SocketHandle listener, int milliseconds) {
    if (!readyWithin(listener, POLLIN, milliseconds)) return kNoSocket;
    const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    return fd < 0 ? kNoSocket : fd;
}

int receiveWithin(SocketHandle socket, char* into, size_t size, int milliseconds) {
    if (!readyWithin(socket, POLLIN, milliseconds)) return kReceiveTimedOut;
    const ssize_t got = ::recv(static_cast<int>(socket), into, size, 0);
    return got < 0 ? -1 : static_cast<int>(got);
}

bool sendAll(SocketHandle socket, std::string_view bytes, const std::atomic<bool>& stop) {
    while (!bytes.empty()) {
        if (stop) return false;
        if (!readyWithin(socket, POLLOUT, 20)) continue;
        const ssize_t sent = ::send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

void closeSocket(SocketHandle socket) {
    if (socket == kNoSocket) return;
    ::shutdown(static_cast<int>(socket), SHUT_WR);
    ::close(static_cast<int>(socket));
}

} // namespace launcher::test
