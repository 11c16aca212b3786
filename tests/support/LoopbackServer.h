#pragma once
// A small HTTP/1.1 server for download tests, on a thread of the test
// program: one connection at a time, one request per connection, replies
// set up by the test. It also counts connections, so that a test can tell
// that a refused address was never contacted.

#include "support/LoopbackSocket.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace launcher::test {

struct ServedReply {
    enum class Framing {
        Length,    // Content-Length and the whole body
        NoLength,  // no Content-Length: the body ends when the connection does
        Truncated, // Content-Length of the whole body, half of it, then closed
        Stall,     // headers, then nothing until the client goes or the test ends
        Slow,      // Content-Length, then the body in `pieces` pieces, pieceDelayMs apart
    };
    int status = 200;
    std::string body;
    Framing framing = Framing::Length;
    std::string location; // a Location header when not empty
    // Informational replies sent first, as they stand ("HTTP/1.1 103 Early
    // Hints\r\nLink: ...\r\n\r\n"), as a server may send before the reply.
    std::string interim;
    int pieces = 20;        // Slow only
    int pieceDelayMs = 100; // Slow only: before each piece after the first
};

class LoopbackServer {
public:
    // Listens on address (IPv4) at a port the system chooses.
    explicit LoopbackServer(const char* address = "127.0.0.1");
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool listening() const { return listener_ != kNoSocket; }
    void serve(const std::string& path, ServedReply reply);
    // http://address:port followed by path.
    std::string url(const std::string& path) const;
    int connections() const { return connections_.load(); }

    // Every request's path and when it came, oldest first: tests that care
    // about the order of a client's fetches, or how many of one path came.
    struct Request {
        std::string path;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Request> requests() const;
    int requestsFor(const std::string& path) const;
    // Called on the server's thread as each request comes, before its reply:
    // the moment the test checks what the client had done by then.
    void watchRequests(std::function<void(const std::string& path)> watch);

private:
    void run();
    void answer(SocketHandle client);

    std::string address_;
    uint16_t port_ = 0;
    SocketHandle listener_ = kNoSocket;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::map<std::string, ServedReply> replies_;
    std::vector<Request> requests_;
    std::function<void(const std::string&)> watch_;
    std::thread thread_;
};

} // namespace launcher::test
