#pragma once
// Where the Linux port's launches of one executable meet, and who of them
// is first: the socket's name, the lock under which a stale socket file is
// taken over, and the exchange of bytes over a connection.

#include "base/Descriptor.posix.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>

namespace launcher {

struct SocketName {
    sockaddr_un address{};
    socklen_t length = 0;
    std::string path;     // empty for an abstract name
    std::string lockPath;
};

SocketName socketName(std::u16string_view modulePath);

// Held while a launch binds the socket file, or finds it stale and takes it
// over; none when it cannot be had in time (the trace says so).
UniqueDescriptor lockPlace(const SocketName& name);

enum class Rendezvous { Primary, Secondary, Unavailable, Unreachable };
// Connects to the primary (Secondary, the connection in socket), or binds
// and listens (Primary, the listening socket in socket).
Rendezvous meet(const SocketName& name, UniqueDescriptor& socket);

bool sameUser(int fd);
bool sendAll(int fd, const uint8_t* data, size_t size);
bool receiveAll(int fd, uint8_t* data, size_t size);

} // namespace launcher
