#include "RuntimeFeedOption.h"

#include "FileIo.h"
#include "IniEdit.h"

#include "base/Text.h"
#include "config/RuntimeFeed.h"

namespace launcher::pack {

namespace {

constexpr std::string_view kBeginPublicKey = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kEndPublicKey = "-----END PUBLIC KEY-----";

// The base64 of the key file's public key. Every refusal is the command
// line's: the vendor named the wrong file.
std::string keyFromFile(const std::string& name) {
    std::string text;
    try {
        text = readWholeFile(pathFromUtf8(name));
    } catch (const PackError& e) {
        throw UsageError(std::string("--runtime-feed-key: ") + e.what());
    }
    std::optional<std::string> key = publicKeyBase64(text);
    if (key) return *key;
    // The private key beside it has the same stem; it never belongs in a
    // package, so the mistake is named rather than only refused.
    if (text.find("PRIVATE KEY-----") != std::string::npos) {
        throw UsageError("--runtime-feed-key: " + name + " is a private key; give its public half (NAME.pub.pem): the "
                         "private key never goes into a package");
    }
    throw UsageError("--runtime-feed-key: " + name + " holds no public key in PEM form (" + std::string(kBeginPublicKey) +
                     "); launcher-pack feed-key --out NAME writes one as NAME.pub.pem");
}

[[noreturn]] void refuse(RuntimeFeedError error, const std::string& value, const std::string& keyFile) {
    switch (error) {
    case RuntimeFeedError::None: break;
    case RuntimeFeedError::NoPin:
        throw UsageError("--runtime-feed needs a pinned runtime (--runtime-download or --runtime-download-latest) for "
                         "the feed to replace");
    case RuntimeFeedError::UrlNotHttp:
        throw UsageError("--runtime-feed: " + value + " is not an address the launcher looks at: https, or plain http "
                         "only to the loopback address 127.0.0.1 or [::1], without a user name");
    case RuntimeFeedError::MissingKey:
    case RuntimeFeedError::BadKey:
        throw UsageError("--runtime-feed-key: " + keyFile + " is not an ECDSA P-256 public key (launcher-pack feed-key "
                         "makes one)");
    case RuntimeFeedError::BadInterval:
        throw UsageError("--runtime-feed-interval: \"" + value + "\" is not a whole number of hours from 0 to " +
                         std::to_string(kMaxFeedIntervalHours));
    }
    throw UsageError("--runtime-feed: not a feed the launcher follows");
}

} // namespace

std::optional<std::string> publicKeyBase64(std::string_view pem) {
    const size_t begin = pem.find(kBeginPublicKey);
    if (begin == std::string_view::npos) return std::nullopt;
    const size_t first = begin + kBeginPublicKey.size();
    const size_t end = pem.find(kEndPublicKey, first);
    // Two keys in one file: which one the vendor meant is anybody's guess.
    if (end == std::string_view::npos || pem.find(kBeginPublicKey, first) != std::string_view::npos) return std::nullopt;
    std::string key;
    for (char c : pem.substr(first, end - first)) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') key += c;
    }
    if (key.empty()) return std::nullopt;
    return key;
}

std::optional<RuntimeFeedRequest> runtimeFeedRequest(const PackOptions& options, bool pinned) {
    const std::optional<std::string> url = options.value("--runtime-feed");
    for (const char* partner : {"--runtime-feed-key", "--runtime-feed-interval"}) {
        if (!url && options.has(partner)) throw UsageError(std::string(partner) + " needs --runtime-feed URL");
    }
    if (!url) return std::nullopt;
    // The launcher ignores a feed without a pin: the feed only ever offers a
    // newer runtime in the pinned one's place.
    if (!pinned) refuse(RuntimeFeedError::NoPin, *url, {});
    if (trimWhitespace(fromUtf8(*url)).empty()) throw UsageError("--runtime-feed: no address given");
    const std::optional<std::string> keyFile = options.value("--runtime-feed-key");
    if (!keyFile) {
        throw UsageError("--runtime-feed needs --runtime-feed-key NAME.pub.pem, the public key the feed's signature is "
                         "checked with");
    }
    const std::string key = keyFromFile(*keyFile);
    // Given but blank, the interval would quietly become the default.
    const std::optional<std::string> interval = options.value("--runtime-feed-interval");
    if (interval && trimWhitespace(fromUtf8(*interval)).empty()) {
        refuse(RuntimeFeedError::BadInterval, *interval, *keyFile);
    }
    const RuntimeFeedCheck check =
        checkRuntimeFeed({fromUtf8(*url), fromUtf8(key), fromUtf8(interval.value_or(""))}, pinned);
    if (check.error != RuntimeFeedError::None) refuse(check.error, toUtf8(check.value), *keyFile);
    // The interval is always written: a value left in the vendor's own INI
    // would otherwise go on counting for a feed it was never meant for.
    return RuntimeFeedRequest{toUtf8(check.feed.url), key, std::to_string(check.feed.intervalHours)};
}

std::string withRuntimeFeed(const std::string& ini, const RuntimeFeedRequest& feed) {
    // Lines added to UTF-16 text as bytes would break it.
    if (ini.starts_with("\xFF\xFE") || ini.starts_with("\xFE\xFF")) {
        throw PackError("--ini: a UTF-16 file cannot take the runtime feed keys; save it as UTF-8");
    }
    // Each new key goes to the section's start: the last one set reads first.
    const char section[] = "Java Runtime Environment";
    std::string text = setIniValue(ini, section, toUtf8(kRuntimeFeedIntervalKey), feed.interval);
    text = setIniValue(text, section, toUtf8(kRuntimeFeedKeyKey), feed.key);
    return setIniValue(text, section, toUtf8(kRuntimeFeedUrlKey), feed.url);
}

} // namespace launcher::pack
