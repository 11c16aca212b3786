#include "support/LoopbackSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace launcher::test {

namespace {

// Winsock wants one start-up per process before any call.
bool winsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

bool socketReadyWithin(SocketHandle socket, short events, int milliseconds) {
    WSAPOLLFD entry{static_cast<SOCKET>(socket), events, 0};
    return WSAPoll(&entry, 1, milliseconds) > 0;
}

} // namespace

SocketHandle listenOn(const char* address, uint16_t& port) {
    if (!winsockStarted()) return kNoSocket;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    int length = sizeof where;
    if (inet_pton(AF_INET, address, &where.sin_addr) != 1 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(s, 8) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        ::closesocket(s);
        return kNoSocket;
    }
    port = ntohs(where.sin_port);
    return static_cast<SocketHandle>(s);
}

SocketHandle acceptWithin(SocketHandle listener, int milliseconds) {
    if (!socketReadyWithin(listener, POLLRDNORM, milliseconds)) return kNoSocket;
    const SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) return kNoSocket;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return static_cast<SocketHandle>(s);
}

int receiveWithin(SocketHandle socket, char* into, size_t size, int milliseconds) {
    if (!socketReadyWithin(socket, POLLRDNORM, milliseconds)) return kReceiveTimedOut;
    const int got = ::recv(static_cast<SOCKET>(socket), into, static_cast<int>(size), 0);
    return got < 0 ? -1 : got;
}

bool sendAll(SocketHandle socket, std::string_view bytes, const std::atomic<bool>& stop) {
    while (!bytes.empty()) {
        if (stop) return false;
        if (!socketReadyWithin(socket, POLLWRNORM, 20)) continue;
        const int sent = ::send(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

void closeSocket(SocketHandle socket) {
    if (socket == kNoSocket) return;
    ::shutdown(static_cast<SOCKET>(socket), SD_SEND);
    ::closesocket(static_cast<SOCKET>(socket));
}

} // namespace launcher::test
