#pragma once
// What a launcher remembers of the runtime feed between starts, in a small
// text file in the pinned runtime's per-user folder, beside install.lock:
// when it last looked, the highest "Sequence" it accepted, and the entries
// whose runtimes failed to start (by SHA-256), which it never takes again.
//
//     [Runtime Feed]
//     Last Look=1718000000
//     Highest Sequence=12
//     Bad Entries=<64 hex digits>;<64 hex digits>
//     Current Entry=<64 hex digits>
//     Current Version=26.0.2
//     Started Entry=<64 hex digits>
//     Started Version=26.0.1
//
// The current entry is the newest runtime a look installed, which the next
// start uses in the pinned runtime's place; the started entry is the last
// one that has started a program, which a start goes back to when the
// current one fails.
//
// The file is the launcher's own, but a user, a cleaner or a crash can
// leave anything in it: a value that cannot be read counts as missing, and
// a file that cannot be read at all as empty state, which only makes the
// next start look at the feed again.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

inline constexpr std::u16string_view kFeedStateFileName = u"runtime-feed.state";
// A state file holds a few lines; anything larger is not read.
inline constexpr size_t kFeedStateSizeLimit = 16 * 1024;
// The entries marked bad that are kept, newest last: a vendor replaces a
// bad runtime in its next feed, so old marks only take room.
inline constexpr size_t kMaxBadEntries = 32;

// A whole number without sign or blanks, of at most 18 digits (always a
// signed 64-bit value, so a trace never shows it negative): the feed's
// "Sequence" and the state's numbers alike.
std::optional<uint64_t> feedNumberFrom(std::u16string_view text);

struct FeedState {
    // Seconds since 1970-01-01 UTC.
    std::optional<int64_t> lastLook;
    std::optional<uint64_t> highestSequence;
    // Lower-case hex SHA-256 values, oldest first, without duplicates.
    std::vector<std::u16string> badEntries;
    std::u16string currentEntry;   // lower-case hex SHA-256; empty: none
    std::u16string currentVersion; // as the feed wrote it
    std::u16string startedEntry;   // lower-case hex SHA-256; empty: none
    std::u16string startedVersion;

    friend bool operator==(const FeedState&, const FeedState&) = default;
};

FeedState parseFeedState(std::string_view bytes);
std::string formatFeedState(const FeedState& state);

// Whether the entry (lower-case hex SHA-256) is marked bad.
bool isMarkedBad(const FeedState& state, std::u16string_view sha256);

// Adds the entry to the bad ones (the oldest mark goes when there are too
// many); a text that is no SHA-256 changes nothing.
void markEntryBad(FeedState& state, std::u16string_view sha256);

// The system's clock in seconds since 1970-01-01 UTC.
int64_t currentTimeSeconds();

// Whether the feed is due at now (seconds since 1970 UTC): at the first
// look, at every start for an interval of 0, once the interval has passed
// since the last look, and when the last look lies in the future (a clock
// that was set ahead once must not stop every later look).
bool isFeedLookDue(const FeedState& state, int64_t now, uint32_t intervalHours);

} // namespace launcher
