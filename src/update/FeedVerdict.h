#pragma once
// What a launcher makes of a runtime feed it fetched: the checks, in the
// order they run, and the entry for its own platform when every one
// passes. Pure: the caller fetches the feed and its signature, and gives
// the state it keeps (FeedState.h) and its settings as values.
//
// The feed is INI text, read by the launcher's own INI reader (IniText.h):
//
//     [Feed]
//     Product Code={11111111-2222-3333-4444-555555555555}
//     Sequence=12
//     [linux-x64]
//     URL=https://example.com/runtime-21.0.3.tar.gz
//     SHA-256=<64 hex digits>
//     Size=48213120
//     Version=21.0.3
//
// Checks, each one only when the ones before it passed:
//   Size        the feed and its signature have at most kFeedSizeLimit bytes
//   Signature   the vendor's key signed the feed's exact bytes
//   ProductCode the feed names no "Product Code" (an empty one counts as
//               none), or this product's, compared without regard to
//               letter case: product codes are GUIDs, which Windows and
//               vendors' tools write in either case
//   Sequence    "Sequence" is a whole number (18 digits at most) above the
//               highest one accepted before, so a replayed older feed
//               changes nothing
//   Platform    the feed has a section for this launcher's platform
//   Entry       its "URL" (https, or plain http to a loopback address
//               only), "SHA-256", "Size" (above 0) and "Version" are valid,
//               by the rules of the pinned runtime's own keys
//   Version     "Version" fits "Minimum Version" and "Maximum Version"
//   Floor       "Version" is not older than the pinned runtime's
//   MarkedBad   the entry's SHA-256 is not one this launcher marked bad
//               after its runtime failed to start

#include "jre/VersionNumber.h"
#include "update/EcdsaDer.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace launcher {

// The most bytes a feed, and its signature, may have: a feed holds a few
// lines per platform, and nothing larger is read into memory.
inline constexpr size_t kFeedSizeLimit = 64 * 1024;

// The platforms' section names.
inline constexpr std::u16string_view kFeedPlatformWindowsX64 = u"windows-x64";
inline constexpr std::u16string_view kFeedPlatformWindowsX86 = u"windows-x86";
inline constexpr std::u16string_view kFeedPlatformLinuxX64 = u"linux-x64";

enum class FeedCheck { None, Size, Signature, ProductCode, Sequence, Platform, Entry, Version, Floor, MarkedBad };

// The check's name as the trace gives it.
std::u16string_view feedCheckName(FeedCheck check);

struct FeedEntry {
    std::u16string url;
    std::u16string sha256; // 64 lower-case hex digits
    uint64_t size = 0;
    VersionNumber version;
    std::u16string versionText; // as the feed writes it
};

// The key and the list of bad entries are views: the caller keeps them
// alive while the feed is checked.
struct FeedExpectations {
    ByteView publicKey; // the vendor's key, SubjectPublicKeyInfo in DER form
    std::u16string productCode;
    // The highest "Sequence" accepted before; none when no feed was.
    std::optional<uint64_t> highestSequence;
    std::u16string platform; // kFeedPlatformWindowsX64 and so on
    VersionNumber minimumVersion = makeVersion(0, 0, 0, 0);
    VersionNumber maximumVersion =
        makeVersion(kVersionFillHigh, kVersionFillHigh, kVersionFillHigh, kVersionFillHigh);
    // The pinned runtime's version, when it is known.
    std::optional<VersionNumber> floor;
    // SHA-256 values (lower-case hex) of entries marked bad.
    std::span<const std::u16string> badEntries;
};

struct FeedVerdict {
    FeedCheck failed = FeedCheck::None;
    // One trace line: which check refused the feed and why, or what was
    // accepted.
    std::u16string reason;
    // The feed's "Sequence", from the Sequence check on: for the trace,
    // and for the caller's record once the feed is accepted (a refused
    // feed changes nothing).
    std::optional<uint64_t> sequence;
    FeedEntry entry; // set when accepted

    bool accepted() const { return failed == FeedCheck::None; }
};

// Every check, on the feed and signature as fetched.
FeedVerdict checkFeed(std::string_view feed, std::string_view signature, const FeedExpectations& expected);

// The checks after the signature's, on a feed whose bytes are trusted.
FeedVerdict checkFeedText(std::string_view feed, const FeedExpectations& expected);

} // namespace launcher
