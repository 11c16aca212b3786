#pragma once
// One look at the vendor's runtime feed, start to end: whether it is due,
// fetching the feed and its signature, the checks (FeedVerdict.h), the
// install of an accepted entry into its own folder beside the pinned
// runtime's, and the state file that remembers the look. Blocking; the
// caller runs it where a start does not wait for it.
//
// Two processes may look at once: the install holds the install lock, and
// the state is read again and saved under the same lock, whole, so neither
// loses what the other recorded.

#include "install/RuntimeInstall.h"
#include "update/FeedStateFile.h"
#include "update/FeedVerdict.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace launcher {

struct FeedLookRequest {
    std::u16string feedUrl; // the signature is at feedUrl + ".sig"
    std::vector<uint8_t> publicKey; // SubjectPublicKeyInfo in DER form
    std::u16string productCode;
    std::u16string platform; // kFeedPlatformLinuxX64 and so on
    VersionNumber minimumVersion = makeVersion(0, 0, 0, 0);
    VersionNumber maximumVersion =
        makeVersion(kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
    // The pinned runtime; its folder's parent, the product's per-user
    // runtime folder, holds the state file and every entry's folder.
    RuntimePin pin;
    std::optional<VersionNumber> pinnedVersion; // the floor, when known
    uint32_t intervalHours = 24;
    // How long an installed entry's java program may take to print its
    // version; a runtime that starts at all does so within seconds, even
    // on a busy machine at a low priority.
    std::chrono::seconds probeLimit{60};
    int64_t now = 0; // seconds since 1970-01-01 UTC
    const std::atomic<bool>* cancel = nullptr;
};

enum class FeedLookOutcome {
    NotDue,
    FetchFailed,   // the feed or its signature could not be fetched
    Refused,       // a check refused the feed
    InstallFailed, // the accepted entry could not be installed
    Cancelled,     // nothing recorded: the next look starts again
    Installed,     // also when another start installed it meanwhile
};

struct FeedLookResult {
    FeedLookOutcome outcome = FeedLookOutcome::NotDue;
    FeedCheck failed = FeedCheck::None; // the refusing check
    std::u16string folder;              // the entry's runtime, when Installed
    std::u16string line;                // one trace line: what happened and why
};

FeedLookResult lookAtFeed(const FeedLookRequest& request);

} // namespace launcher
