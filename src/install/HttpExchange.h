#pragma once
// One HTTP request and its response, without following redirects: the
// platform's side of a download (WinHTTP on Windows, libcurl on Linux).
// The portable driver in Download.cpp decides what to do with the headers
// and counts the body.

#include "config/AddressPolicy.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace launcher {

struct ResponseHead {
    int status = 0;
    std::optional<uint64_t> contentLength;
    std::string location;
};

class ExchangeHandler {
public:
    virtual ~ExchangeHandler() = default;
    // The response's status and headers, before any of its body; false
    // ends the exchange without reading the body.
    virtual bool head(const ResponseHead& head) = 0;
    // A piece of the body; false ends the exchange.
    virtual bool body(std::span<const uint8_t> bytes) = 0;
};

enum class ExchangeEnd {
    Complete,   // the body ended as the server framed it
    Stopped,    // the handler returned false
    Cancelled,
    Stalled,
    Tls,
    Connection,
    NoLibrary,
};

struct ExchangeOutcome {
    ExchangeEnd end = ExchangeEnd::Complete;
    // The system's words for a failure.
    std::u16string reason;
};

ExchangeOutcome exchange(const WebAddress& address, ExchangeHandler& handler,
    std::chrono::milliseconds stallLimit, const std::atomic<bool>* cancel);

} // namespace launcher
