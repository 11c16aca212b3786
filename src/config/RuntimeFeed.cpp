#include "config/RuntimeFeed.h"

#include "config/RuntimeDownload.h"
#include "update/Base64.h"
#include "update/EcdsaDer.h"
#include "update/FeedState.h"

namespace launcher {

namespace {

RuntimeFeedCheck refused(RuntimeFeedError error, std::u16string value) {
    return {.feed = {}, .error = error, .value = std::move(value)};
}

std::optional<uint32_t> intervalFrom(std::u16string_view text) {
    const std::optional<uint64_t> hours = feedNumberFrom(text);
    if (!hours || *hours > kMaxFeedIntervalHours) return std::nullopt;
    return static_cast<uint32_t>(*hours);
}

} // namespace

RuntimeFeedCheck checkRuntimeFeed(const RuntimeFeedKeys& keys, bool pinned) {
    const std::u16string url = trimWhitespace(keys.url);
    if (url.empty()) return {};
    if (!pinned) return refused(RuntimeFeedError::NoPin, url);
    // The same rule as the pinned runtime's own address: the signature
    // makes a feed trustworthy, yet who looks at it where is still nobody's
    // business on the way.
    if (!isHttpAddress(url) || !isRuntimeAddress(url)) return refused(RuntimeFeedError::UrlNotHttp, url);
    const std::u16string key = trimWhitespace(keys.key);
    if (key.empty()) return refused(RuntimeFeedError::MissingKey, {});
    std::optional<std::vector<uint8_t>> der = decodeBase64(key);
    if (!der || !parseP256PublicKey(*der)) return refused(RuntimeFeedError::BadKey, key);
    RuntimeFeedCheck check;
    check.feed.url = url;
    check.feed.publicKey = std::move(*der);
    const std::u16string interval = trimWhitespace(keys.interval);
    if (!interval.empty()) {
        std::optional<uint32_t> hours = intervalFrom(interval);
        if (!hours) return refused(RuntimeFeedError::BadInterval, interval);
        check.feed.intervalHours = *hours;
    }
    return check;
}

std::u16string runtimeFeedErrorText(const RuntimeFeedCheck& check) {
    switch (check.error) {
    case RuntimeFeedError::None: return {};
    case RuntimeFeedError::NoPin:
        return u"a runtime feed needs a pinned runtime (\"Runtime Download URL\") to replace";
    case RuntimeFeedError::UrlNotHttp:
        return u"\"Runtime Feed URL\" " + check.value +
               u" is no https address (plain http only to a loopback address)";
    case RuntimeFeedError::MissingKey: return u"\"Runtime Feed Key\" is missing: the feed's signature cannot be checked";
    case RuntimeFeedError::BadKey:
        return u"\"Runtime Feed Key\" is not the base64 of an ECDSA P-256 public key in DER form";
    case RuntimeFeedError::BadInterval:
        return u"\"Runtime Feed Interval\" " + check.value + u" is not a whole number of hours from 0 to " +
               toDecimal(static_cast<long long>(kMaxFeedIntervalHours));
    }
    return {};
}

} // namespace launcher
