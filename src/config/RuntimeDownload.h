#pragma once
// The vendor's pinned runtime: where it is downloaded from, the checksum it
// must have, and whether the user is asked before it is installed. The rules
// of the keys' values are shared by the launcher and launcher-pack, so that a
// package never carries keys its launcher would refuse.

#include "base/Text.h"

#include <cstdint>
#include <optional>

namespace launcher {

inline constexpr std::u16string_view kRuntimeDownloadUrlKey = u"Runtime Download URL";
inline constexpr std::u16string_view kRuntimeDownloadSha256Key = u"Runtime Download SHA-256";
inline constexpr std::u16string_view kRuntimeDownloadSizeKey = u"Runtime Download Size";
inline constexpr std::u16string_view kRuntimeDownloadModeKey = u"Runtime Download";

// How many hex digits of the checksum name the runtime's folder.
inline constexpr size_t kRuntimeFolderDigits = 16;

struct RuntimeDownload {
    std::u16string url;    // empty: no pinned runtime, and nothing else below counts
    std::u16string sha256; // 64 lower-case hex digits
    std::optional<uint64_t> size;
    bool automatic = false; // install without asking first

    bool configured() const { return !url.empty(); }
};

// The keys as the configuration gives them.
struct RuntimeDownloadKeys {
    std::u16string url;
    std::u16string sha256;
    std::u16string size;
    std::u16string mode;
};

enum class RuntimeDownloadError {
    None,
    UrlNotHttp,       // not an http or https address a download can start from
    UrlClearText,     // plain http to a host that is not a loopback address
    MissingChecksum,  // a URL without a checksum
    BadChecksum,      // not 64 hex digits
    BadSize,          // not a whole number of bytes
    NoProductFolder,  // "Product Name" gives no folder to install into
};

struct RuntimeDownloadCheck {
    RuntimeDownload download;
    RuntimeDownloadError error = RuntimeDownloadError::None;
    std::u16string value; // the offending value, for the message
};

// The checked keys, for the product of that "Product Name". Without a URL
// the others are ignored.
RuntimeDownloadCheck checkRuntimeDownload(const RuntimeDownloadKeys& keys, std::u16string_view productName);

// The parts of the rules, for callers that meet one value at a time.
bool isHttpAddress(std::u16string_view url);
// Whether a runtime may be downloaded from url at all: https, or plain
// http to a loopback address (the download's own rule, AddressPolicy.h).
bool isRuntimeAddress(std::u16string_view url);
std::optional<std::u16string> normalizedSha256(std::u16string_view text);
std::optional<uint64_t> downloadSizeFrom(std::u16string_view text);
// "Automatic" in any letter case; any other value asks, the safe choice.
bool isAutomaticDownload(std::u16string_view mode);

} // namespace launcher
