#include "install/HttpExchange.h"

#include "base/LibrarySymbol.posix.h"
#include "base/Text.h"
#include "install/Download.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace launcher {

namespace {

// The few parts of libcurl's interface that a download uses, declared here:
// the library is loaded when a download starts, so that the launcher runs
// where it is missing and only this feature says so. The numbers are
// libcurl's own, stable across its versions.
using Curl = void;
using CurlCode = int;
using CurlInit = Curl* (*)();
using CurlCleanup = void (*)(Curl*);
using CurlSetopt = CurlCode (*)(Curl*, int, ...);
using CurlPerform = CurlCode (*)(Curl*);
using CurlStrerror = const char* (*)(CurlCode);
using CurlGlobalInit = CurlCode (*)(long);
using CurlWriteFunction = size_t (*)(char*, size_t, size_t, void*);
using CurlXferinfoFunction = int (*)(void*, int64_t, int64_t, int64_t, int64_t);

constexpr int kOptWriteData = 10001;
constexpr int kOptUrl = 10002;
constexpr int kOptErrorBuffer = 10010;
constexpr int kOptWriteFunction = 20011;
constexpr int kOptLowSpeedLimit = 19;
constexpr int kOptLowSpeedTime = 20;
constexpr int kOptUserAgent = 10018;
constexpr int kOptHeaderData = 10029;
constexpr int kOptNoProgress = 43;
constexpr int kOptFollowLocation = 52;
constexpr int kOptXferinfoData = 10057;
constexpr int kOptSslVerifyPeer = 64;
constexpr int kOptCaInfo = 10065;
constexpr int kOptHeaderFunction = 20079;
constexpr int kOptSslVerifyHost = 81;
constexpr int kOptNoSignal = 99;
constexpr int kOptConnectTimeoutMs = 156;
constexpr int kOptXferinfoFunction = 20219;
constexpr int kOptProtocolsStr = 10318;
constexpr long kGlobalDefault = 3;
constexpr CurlCode kCurlOk = 0;
constexpr CurlCode kCurlTimedOut = 28;
constexpr CurlCode kCurlWriteError = 23;
constexpr CurlCode kCurlAborted = 42;
constexpr size_t kCurlErrorSize = 256;

struct CurlApi {
    void* library = nullptr;
    std::u16string loadError;
    CurlInit init = nullptr;
    CurlCleanup cleanup = nullptr;
    CurlSetopt setopt = nullptr;
    CurlPerform perform = nullptr;
    CurlStrerror strerror = nullptr;
};

// Loaded once for the process's life; libcurl's global set-up is not safe
// to run on two threads at once, and a function-local static runs it once.
const CurlApi& curlApi() {
    static const CurlApi api = [] {
        CurlApi loaded;
        loaded.library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!loaded.library) {
            const char* error = dlerror();
            loaded.loadError = fromUtf8(error ? error : "libcurl.so.4");
            return loaded;
        }
        CurlGlobalInit globalInit = nullptr;
        if (!bindLibrarySymbol(loaded.library, "curl_global_init", globalInit) ||
            !bindLibrarySymbol(loaded.library, "curl_easy_init", loaded.init) ||
            !bindLibrarySymbol(loaded.library, "curl_easy_cleanup", loaded.cleanup) ||
            !bindLibrarySymbol(loaded.library, "curl_easy_setopt", loaded.setopt) ||
            !bindLibrarySymbol(loaded.library, "curl_easy_perform", loaded.perform) ||
            !bindLibrarySymbol(loaded.library, "curl_easy_strerror", loaded.strerror) ||
            globalInit(kGlobalDefault) != kCurlOk) {
            loaded.init = nullptr;
            loaded.loadError = u"libcurl.so.4 lacks the functions a download needs";
        }
        return loaded;
    }();
    return api;
}

bool isTlsFailure(CurlCode code) {
    switch (code) {
    case 35: case 53: case 54: case 58: case 59: case 60: case 64: case 66:
    case 77: case 80: case 82: case 83: case 90: case 91:
        return true;
    default:
        return false;
    }
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(fromUtf8(text.substr(0, prefix.size())), fromUtf8(prefix));
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<uint64_t> parseLength(std::string_view digits) {
    if (digits.empty() || digits.size() > 19) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

// What libcurl's callbacks share during one transfer.
class CurlTransfer {
public:
    CurlTransfer(ExchangeHandler& handler, std::chrono::milliseconds stallLimit, const std::atomic<bool>* cancel)
        : handler_(handler), stallLimit_(stallLimit), cancel_(cancel), lastArrival_(Clock::now()) {}

    static size_t onHeader(char* data, size_t size, size_t count, void* self) {
        return static_cast<CurlTransfer*>(self)->header(std::string_view(data, size * count)) ? size * count : 0;
    }
    static size_t onBody(char* data, size_t size, size_t count, void* self) {
        auto* transfer = static_cast<CurlTransfer*>(self);
        transfer->lastArrival_ = Clock::now();
        const auto* bytes = reinterpret_cast<const uint8_t*>(data);
        if (transfer->handler_.body(std::span<const uint8_t>(bytes, size * count))) return size * count;
        transfer->stopped_ = true;
        return 0;
    }
    // Called often, also while nothing arrives: the place for Cancel and
    // for the stall limit, which counts from the last byte of any kind.
    static int onTick(void* self, int64_t, int64_t received, int64_t, int64_t) {
        auto* transfer = static_cast<CurlTransfer*>(self);
        const Clock::time_point now = Clock::now();
        if (received != transfer->lastReceived_) {
            transfer->lastReceived_ = received;
            transfer->lastArrival_ = now;
        }
        if (transfer->cancel_ && transfer->cancel_->load()) {
            transfer->cancelled_ = true;
            return 1;
        }
        if (now - transfer->lastArrival_ >= transfer->stallLimit_) {
            transfer->stalled_ = true;
            return 1;
        }
        return 0;
    }

    bool stopped() const { return stopped_; }
    bool cancelled() const { return cancelled_; }
    bool stalled() const { return stalled_; }

private:
    using Clock = std::chrono::steady_clock;

    bool header(std::string_view line) {
        lastArrival_ = Clock::now();
        if (line.starts_with("HTTP/")) {
            head_ = ResponseHead{};
            const size_t space = line.find(' ');
            if (space != std::string_view::npos) head_.status = std::atoi(std::string(line.substr(space + 1, 3)).c_str());
        } else if (startsWithIgnoringCase(line, "location:")) {
            head_.location = std::string(trimmed(line.substr(9)));
        } else if (startsWithIgnoringCase(line, "content-length:")) {
            head_.contentLength = parseLength(trimmed(line.substr(15)));
        } else if (trimmed(line).empty()) {
            // libcurl hands on the heads of informational replies (100
            // Continue, 103 Early Hints) too; the answer follows them.
            if (head_.status >= 100 && head_.status < 200) return true;
            if (handler_.head(head_)) return true;
            stopped_ = true;
            return false;
        }
        return true;
    }

    ExchangeHandler& handler_;
    std::chrono::milliseconds stallLimit_;
    const std::atomic<bool>* cancel_;
    Clock::time_point lastArrival_;
    int64_t lastReceived_ = 0;
    ResponseHead head_;
    bool stopped_ = false;
    bool cancelled_ = false;
    bool stalled_ = false;
};

} // namespace

ExchangeOutcome exchange(const WebAddress& address, ExchangeHandler& handler,
    std::chrono::milliseconds stallLimit, const std::atomic<bool>* cancel) {
    const CurlApi& api = curlApi();
    if (!api.init) return {ExchangeEnd::NoLibrary, api.loadError};
    Curl* curl = api.init();
    if (!curl) return {ExchangeEnd::Connection, u"libcurl could not start a transfer"};
    CurlTransfer transfer(handler, stallLimit, cancel);
    char error[kCurlErrorSize] = {};
    const std::string url = address.text();
    const long stallSeconds = static_cast<long>((stallLimit.count() + 999) / 1000);
    // Redirects are followed by the caller, each one checked; the protocols
    // are limited as well, so that no other scheme is ever spoken.
    api.setopt(curl, kOptUrl, url.c_str());
    api.setopt(curl, kOptFollowLocation, 0L);
    api.setopt(curl, kOptProtocolsStr, "http,https");
    api.setopt(curl, kOptSslVerifyPeer, 1L);
    api.setopt(curl, kOptSslVerifyHost, 2L);
    const std::string certificates = downloadCertificateFile();
    if (!certificates.empty()) api.setopt(curl, kOptCaInfo, certificates.c_str());
    api.setopt(curl, kOptNoSignal, 1L);
    api.setopt(curl, kOptErrorBuffer, error);
    api.setopt(curl, kOptUserAgent, "launcher");
    api.setopt(curl, kOptConnectTimeoutMs, static_cast<long>(stallLimit.count()));
    api.setopt(curl, kOptLowSpeedLimit, 1L);
    api.setopt(curl, kOptLowSpeedTime, stallSeconds);
    api.setopt(curl, kOptHeaderFunction, static_cast<CurlWriteFunction>(&CurlTransfer::onHeader));
    api.setopt(curl, kOptHeaderData, static_cast<void*>(&transfer));
    api.setopt(curl, kOptWriteFunction, static_cast<CurlWriteFunction>(&CurlTransfer::onBody));
    api.setopt(curl, kOptWriteData, static_cast<void*>(&transfer));
    api.setopt(curl, kOptNoProgress, 0L);
    api.setopt(curl, kOptXferinfoFunction, static_cast<CurlXferinfoFunction>(&CurlTransfer::onTick));
    api.setopt(curl, kOptXferinfoData, static_cast<void*>(&transfer));
    const CurlCode code = api.perform(curl);
    api.cleanup(curl);

    std::u16string reason = fromUtf8(error[0] ? std::string_view(error) : std::string_view(api.strerror(code)));
    if (transfer.cancelled()) return {ExchangeEnd::Cancelled, reason};
    if (transfer.stalled() || code == kCurlTimedOut) {
        return {ExchangeEnd::Stalled, transfer.stalled() ? fromUtf8(api.strerror(kCurlTimedOut)) : reason};
    }
    if (transfer.stopped() && (code == kCurlWriteError || code == kCurlAborted)) return {ExchangeEnd::Stopped, {}};
    if (code == kCurlOk) return {ExchangeEnd::Complete, {}};
    if (isTlsFailure(code)) return {ExchangeEnd::Tls, reason};
    return {ExchangeEnd::Connection, reason};
}

} // namespace launcher
