#pragma once
// The vendor's runtime feed: where a launcher looks for a newer runtime in
// the pinned one's place, the key the feed must be signed with, and how
// often it looks. Like the pin, the keys are the vendor's: the launcher
// reads them from its INI and the embedded configuration only, and
// launcher-pack writes them only after the same checks.

#include "base/Text.h"

#include <cstdint>
#include <vector>

namespace launcher {

inline constexpr std::u16string_view kRuntimeFeedUrlKey = u"Runtime Feed URL";
inline constexpr std::u16string_view kRuntimeFeedKeyKey = u"Runtime Feed Key";
inline constexpr std::u16string_view kRuntimeFeedIntervalKey = u"Runtime Feed Interval";

inline constexpr uint32_t kDefaultFeedIntervalHours = 24;
// Ten years: longer is no schedule, and the hours always fit in seconds.
inline constexpr uint32_t kMaxFeedIntervalHours = 87600;

struct RuntimeFeed {
    std::u16string url;              // empty: no feed, and nothing else below counts
    std::vector<uint8_t> publicKey;  // SubjectPublicKeyInfo of a P-256 key, in DER form
    uint32_t intervalHours = kDefaultFeedIntervalHours; // 0: every start looks

    bool configured() const { return !url.empty(); }
};

struct RuntimeFeedKeys {
    std::u16string url;
    std::u16string key;
    std::u16string interval;
};

enum class RuntimeFeedError {
    None,
    NoPin,        // a feed replaces the pinned runtime: without a pin it has nothing to replace
    UrlNotHttp,   // not an https address (plain http only to a loopback address)
    MissingKey,   // a feed without the key its signature is checked with
    BadKey,       // not the base64 of a P-256 public key in DER form
    BadInterval,  // not a whole number of hours up to kMaxFeedIntervalHours
};

struct RuntimeFeedCheck {
    RuntimeFeed feed;
    RuntimeFeedError error = RuntimeFeedError::None;
    std::u16string value; // the offending value
};

// The checked keys; without a URL the others are ignored.
RuntimeFeedCheck checkRuntimeFeed(const RuntimeFeedKeys& keys, bool pinned);

// Why a check failed, in words for the trace and launcher-pack's message.
std::u16string runtimeFeedErrorText(const RuntimeFeedCheck& check);

} // namespace launcher
