#pragma once
// Fetching one file over HTTPS, its body streamed to the caller piece by
// piece (the caller hashes it while writing a temporary file): never held
// whole. Redirects are followed here, each checked against the address
// policy, so that a link that starts on https cannot end on clear text.
// Windows talks through WinHTTP, Linux through libcurl loaded at run time.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace launcher {

enum class DownloadFailure {
    None,
    RefusedAddress, // not https (and not loopback), malformed, or too many redirects
    HttpStatus,     // the server answered with something other than 200
    Tls,            // no secure connection: certificate or handshake
    Stalled,        // nothing arrived for the stall limit
    Cancelled,      // the caller's cancel flag
    Connection,     // refused, reset, name not found, or closed before the end
    WriteFailed,    // the caller's sink refused a piece
    TooLarge,       // the body is, or was announced as, longer than the caller's limit
    NoHttpLibrary,  // Linux without libcurl
};

struct DownloadResult {
    DownloadFailure failure = DownloadFailure::None;
    // For the caller's dialog: names the host, and the system's reason.
    std::u16string message;
    int httpStatus = 0;

    explicit operator bool() const { return failure == DownloadFailure::None; }
};

struct DownloadCallbacks {
    // Takes each piece of the body in order; false ends the transfer.
    std::function<bool(std::span<const uint8_t> bytes)> write;
    // Bytes so far, and the whole size once the server has said it.
    std::function<void(uint64_t received, std::optional<uint64_t> total)> progress;
    // Checked often, also while the connection is silent: once set, the
    // transfer ends at once. May be set from another thread or from progress.
    const std::atomic<bool>* cancel = nullptr;
    // The most bytes the body may have: a server that announces more is
    // not read at all, one that sends more is cut off at the limit.
    std::optional<uint64_t> limit;
};

DownloadResult download(std::string_view address, const DownloadCallbacks& callbacks);

// How long a connection may deliver nothing before it is given up: 30 s in
// the launcher. Its own object file, so that a test build can link a
// shorter one; nothing the launcher reads at run time changes it.
std::chrono::milliseconds downloadStallLimit();

// A file of certificate authorities that https downloads on Linux trust in
// place of the system's: none in the launcher, which trusts exactly what the
// system does. Its own object file, so that a test build can link one that
// names a test authority, for a TLS server of its own on loopback.
std::string downloadCertificateFile();

} // namespace launcher
