#include "support/LoopbackServer.h"

#include <algorithm>
#include <chrono>

namespace launcher::test {

namespace {

constexpr int kPollMilliseconds = 20;

const char* reasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 307: return "Temporary Redirect";
    case 404: return "Not Found";
    default: return "Status";
    }
}

// The request's path from "GET /path HTTP/1.1"; empty when none.
std::string requestPath(const std::string& request) {
    const size_t start = request.find(' ');
    if (start == std::string::npos) return {};
    const size_t end = request.find(' ', start + 1);
    return request.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

} // namespace

LoopbackServer::LoopbackServer(const char* address) : address_(address) {
    listener_ = listenOn(address, port_);
    if (listener_ != kNoSocket) thread_ = std::thread([this] { run(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    closeSocket(listener_);
}

void LoopbackServer::serve(const std::string& path, ServedReply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://" + address_ + ":" + std::to_string(port_) + path;
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int LoopbackServer::requestsFor(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const Request& r) { return r.path == path; }));
}

void LoopbackServer::watchRequests(std::function<void(const std::string& path)> watch) {
    std::lock_guard lock(mutex_);
    watch_ = std::move(watch);
}

void LoopbackServer::run() {
    while (!stopping_) {
        const SocketHandle client = acceptWithin(listener_, kPollMilliseconds);
        if (client == kNoSocket) continue;
        ++connections_;
        answer(client);
        closeSocket(client);
    }
}

void LoopbackServer::answer(SocketHandle client) {
    std::string request;
    char buffer[4096];
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (stopping_ || std::chrono::steady_clock::now() > giveUp) return;
        const int got = receiveWithin(client, buffer, sizeof buffer, kPollMilliseconds);
        if (got == kReceiveTimedOut) continue;
        if (got <= 0) return;
        request.append(buffer, static_cast<size_t>(got));
        // A TLS handshake: this server speaks plain HTTP only, and answers
        // as such a server would, which no TLS client accepts.
        if (request.front() == '\x16') {
            sendAll(client, "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n", stopping_);
            return;
        }
    }
    ServedReply reply{404, "not served here"};
    const std::string path = requestPath(request);
    std::function<void(const std::string&)> watch;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({path, std::chrono::steady_clock::now()});
        watch = watch_;
        const auto found = replies_.find(path);
        if (found != replies_.end()) reply = found->second;
    }
    if (watch) watch(path);
    std::string head = reply.interim + "HTTP/1.1 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n";
    head += "Connection: close\r\n";
    if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
    if (reply.framing != ServedReply::Framing::NoLength) {
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    }
    head += "\r\n";
    if (!sendAll(client, head, stopping_)) return;
    switch (reply.framing) {
    case ServedReply::Framing::Length:
    case ServedReply::Framing::NoLength:
        sendAll(client, reply.body, stopping_);
        return;
    case ServedReply::Framing::Truncated:
        sendAll(client, std::string_view(reply.body).substr(0, reply.body.size() / 2), stopping_);
        return;
    case ServedReply::Framing::Slow: {
        const size_t piece = std::max<size_t>(1, (reply.body.size() + reply.pieces - 1) / std::max(1, reply.pieces));
        for (size_t sent = 0; sent < reply.body.size() && !stopping_; sent += piece) {
            // The pause ends early when the client goes (or the test ends).
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(sent ? reply.pieceDelayMs : 0);
            while (std::chrono::steady_clock::now() < until) {
                if (stopping_ || receiveWithin(client, buffer, sizeof buffer, kPollMilliseconds) != kReceiveTimedOut) {
                    return;
                }
            }
            if (!sendAll(client, std::string_view(reply.body).substr(sent, piece), stopping_)) return;
        }
        return;
    }
    case ServedReply::Framing::Stall:
        // Until the client gives up (or the test ends): the client's end of
        // the connection reads as the end of the stream here.
        while (!stopping_) {
            const int got = receiveWithin(client, buffer, sizeof buffer, kPollMilliseconds);
            if (got != kReceiveTimedOut) return;
        }
        return;
    }
}

} // namespace launcher::test
