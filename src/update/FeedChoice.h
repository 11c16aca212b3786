#pragma once
// Which runtime a start takes in the pinned runtime's place: the newest
// entry a look at the feed installed, else the last entry that started a
// program, else the pinned runtime itself. Decided before the search, from
// the state file alone and a look at the candidates' folders.

#include "jre/VersionNumber.h"
#include "update/FeedState.h"

#include <functional>
#include <optional>
#include <string>

namespace launcher {

struct FeedChoiceFacts {
    FeedState state;
    // The pinned runtime's version from its release file; none while it is
    // not installed, and then no entry is taken: the floor is unknown.
    std::optional<VersionNumber> pinnedVersion;
    // The entry this start must not take: the one that failed to start in
    // the start that relaunched this one.
    std::u16string failedEntry;
    VersionNumber minimumVersion = makeVersion(0, 0, 0, 0);
    VersionNumber maximumVersion =
        makeVersion(kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
};

struct FeedChoice {
    std::u16string entry;    // SHA-256 of the entry taken; empty: the pinned runtime
    bool proven = false;     // the entry has started a program before
    std::u16string why;      // one trace line
};

// The version the runtime in folder names in its release file; none when
// it has none (not installed).
std::optional<VersionNumber> installedRuntimeVersion(const std::u16string& folder);

// installed(entry) tells whether the entry's folder holds a runtime.
FeedChoice chooseFeedEntry(const FeedChoiceFacts& facts, const std::function<bool(const std::u16string&)>& installed);

} // namespace launcher
