#include "install/Download.h"

#include "base/Format.h"
#include "base/Messages.h"
#include "base/Text.h"
#include "install/HttpExchange.h"

namespace launcher {

namespace {

std::u16string downloadMessage(MessageId id, std::initializer_list<FormatArg> args) {
    return formatMessage(loadMessage(id), args);
}

DownloadResult failed(DownloadFailure failure, std::u16string message, int status = 0) {
    return DownloadResult{failure, std::move(message), status};
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Feeds one exchange's body to the caller, and keeps what the driver needs
// to know afterwards: the head, whether a redirect was seen, the count.
class BodyCounter final : public ExchangeHandler {
public:
    explicit BodyCounter(const DownloadCallbacks& callbacks) : callbacks_(callbacks) {}

    bool head(const ResponseHead& head) override {
        head_ = head;
        if (head.status != 200) return false;
        if (callbacks_.limit && head.contentLength && *head.contentLength > *callbacks_.limit) {
            tooLarge_ = true;
            return false;
        }
        if (callbacks_.progress) callbacks_.progress(0, head.contentLength);
        return !cancelled();
    }

    bool body(std::span<const uint8_t> bytes) override {
        if (cancelled()) return false;
        if (callbacks_.limit && bytes.size() > *callbacks_.limit - received_) {
            tooLarge_ = true;
            return false;
        }
        if (callbacks_.write && !callbacks_.write(bytes)) {
            writeFailed_ = true;
            return false;
        }
        received_ += bytes.size();
        if (callbacks_.progress) callbacks_.progress(received_, head_.contentLength);
        return !cancelled();
    }

    bool cancelled() const { return callbacks_.cancel && callbacks_.cancel->load(); }
    const ResponseHead& response() const { return head_; }
    uint64_t received() const { return received_; }
    bool writeFailed() const { return writeFailed_; }
    bool tooLarge() const { return tooLarge_; }

private:
    const DownloadCallbacks& callbacks_;
    ResponseHead head_;
    uint64_t received_ = 0;
    bool writeFailed_ = false;
    bool tooLarge_ = false;
};

// What one exchange that was not a redirect comes to.
DownloadResult finish(const WebAddress& address, const ExchangeOutcome& outcome, const BodyCounter& counter,
    const DownloadCallbacks& callbacks) {
    const std::u16string host = fromUtf8(address.authority());
    if (counter.cancelled() || outcome.end == ExchangeEnd::Cancelled) {
        return failed(DownloadFailure::Cancelled, downloadMessage(MessageId::DownloadCancelled, {host}));
    }
    if (counter.writeFailed()) {
        return failed(DownloadFailure::WriteFailed, downloadMessage(MessageId::DownloadWriteFailed, {host}));
    }
    if (counter.tooLarge()) {
        return failed(DownloadFailure::TooLarge, downloadMessage(MessageId::DownloadTooLarge,
            {host, toDecimal(static_cast<long long>(callbacks.limit.value_or(0)))}));
    }
    switch (outcome.end) {
    case ExchangeEnd::Complete:
    case ExchangeEnd::Stopped:
        break;
    case ExchangeEnd::Stalled: {
        const long long seconds = (downloadStallLimit().count() + 999) / 1000;
        return failed(DownloadFailure::Stalled,
            downloadMessage(MessageId::DownloadStalled, {host, seconds, outcome.reason}));
    }
    case ExchangeEnd::Tls:
        return failed(DownloadFailure::Tls, downloadMessage(MessageId::DownloadTls, {host, outcome.reason}));
    case ExchangeEnd::NoLibrary:
        return failed(DownloadFailure::NoHttpLibrary,
            downloadMessage(MessageId::DownloadNoCurl, {outcome.reason, fromUtf8(address.text())}));
    case ExchangeEnd::Cancelled:
    case ExchangeEnd::Connection:
        return failed(DownloadFailure::Connection,
            downloadMessage(MessageId::DownloadConnection, {host, outcome.reason}));
    }
    const ResponseHead& head = counter.response();
    if (head.status != 200) {
        return failed(DownloadFailure::HttpStatus,
            downloadMessage(MessageId::DownloadHttpStatus, {host, static_cast<long long>(head.status)}), head.status);
    }
    // A body shorter than the server announced is a cut connection, whatever
    // the library made of it.
    if (head.contentLength && counter.received() != *head.contentLength) {
        return failed(DownloadFailure::Connection,
            downloadMessage(MessageId::DownloadTruncated,
                {host, toDecimal(static_cast<long long>(counter.received())),
                    toDecimal(static_cast<long long>(*head.contentLength))}));
    }
    return DownloadResult{};
}

} // namespace

DownloadResult download(std::string_view text, const DownloadCallbacks& callbacks) {
    std::optional<WebAddress> address = parseWebAddress(text);
    if (!address) {
        return failed(DownloadFailure::RefusedAddress,
            downloadMessage(MessageId::DownloadMalformedAddress, {fromUtf8(text)}));
    }
    if (checkStartAddress(*address) != AddressVerdict::Allowed) {
        return failed(DownloadFailure::RefusedAddress,
            downloadMessage(MessageId::DownloadNotHttps, {fromUtf8(address->text())}));
    }
    for (int redirects = 0;; ++redirects) {
        BodyCounter counter(callbacks);
        const ExchangeOutcome outcome = exchange(*address, counter, downloadStallLimit(), callbacks.cancel);
        const ResponseHead& head = counter.response();
        if (!isRedirect(head.status) || outcome.end != ExchangeEnd::Stopped || counter.cancelled()) {
            return finish(*address, outcome, counter, callbacks);
        }
        const std::u16string from = fromUtf8(address->authority());
        if (redirects == kMaxRedirects) {
            return failed(DownloadFailure::RefusedAddress,
                downloadMessage(MessageId::DownloadTooManyRedirects, {from, static_cast<long long>(kMaxRedirects)}));
        }
        std::optional<WebAddress> next = resolveLocation(*address, head.location);
        if (!next) {
            return failed(DownloadFailure::RefusedAddress,
                downloadMessage(MessageId::DownloadMalformedAddress, {fromUtf8(head.location)}));
        }
        if (checkRedirect(*address, *next) != AddressVerdict::Allowed) {
            return failed(DownloadFailure::RefusedAddress,
                downloadMessage(MessageId::DownloadNotHttps, {fromUtf8(next->text())}));
        }
        address = std::move(next);
    }
}

} // namespace launcher
