#pragma once
// The few socket calls a test server needs, over BSD sockets on Linux and
// Winsock on Windows. Every wait is bounded, so that a server thread
// notices when its test is over.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace launcher::test {

using SocketHandle = intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// A listening TCP socket on the IPv4 address; port 0 lets the system
// choose, and port then holds the one it chose. kNoSocket on failure.
SocketHandle listenOn(const char* address, uint16_t& port);
// A connection that arrived within the time, else kNoSocket. Its sends
// never block: a client that stops reading must not hold the server.
SocketHandle acceptWithin(SocketHandle listener, int milliseconds);

inline constexpr int kReceiveTimedOut = -2;
// Bytes received (> 0), 0 when the peer closed, -1 on an error, or
// kReceiveTimedOut when nothing came within the time.
int receiveWithin(SocketHandle socket, char* into, size_t size, int milliseconds);
// Sends everything unless the connection fails or stop is set first.
bool sendAll(SocketHandle socket, std::string_view bytes, const std::atomic<bool>& stop);
// Ends the sending side (the peer sees the end of the stream), then closes.
void closeSocket(SocketHandle socket);

} // namespace launcher::test
