#pragma once
// The vendor's runtime feed: --runtime-feed, --runtime-feed-key and
// --runtime-feed-interval become the keys of the packaged INI that tell the
// launcher where to look for a newer runtime in the pinned one's place.

#include "PackOptions.h"

#include <optional>
#include <string>
#include <string_view>

namespace launcher::pack {

// The feed's keys as the packaged INI holds them, already checked.
struct RuntimeFeedRequest {
    std::string url;
    std::string key;      // base64 of the public key's DER form
    std::string interval; // whole hours
};

// The feed the options ask for, or nothing; pinned says whether they pin a
// runtime for the feed to replace. The key file is read and every value is
// checked by the launcher's own rules here, before anything is written.
// Throws UsageError.
std::optional<RuntimeFeedRequest> runtimeFeedRequest(const PackOptions& options, bool pinned);

// The base64 text between a PEM file's "BEGIN PUBLIC KEY" and "END PUBLIC
// KEY" lines, without line breaks: the DER form's base64 as openssl writes
// it. Nothing when the text holds no such block.
std::optional<std::string> publicKeyBase64(std::string_view pem);

// The INI text with the feed's keys in "Java Runtime Environment". Throws
// PackError for a UTF-16 file.
std::string withRuntimeFeed(const std::string& ini, const RuntimeFeedRequest& feed);

} // namespace launcher::pack
