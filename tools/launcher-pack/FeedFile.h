#pragma once
// The runtime feed a vendor publishes: INI text that the launcher reads with
// its own INI reader, signed beside it. "[Feed]" holds "Product Code" (none:
// the feed fits any product) and "Sequence", a whole number that grows with
// every feed, so that a replayed older feed is recognised; one section per
// platform holds the runtime it offers.

#include "Bytes.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace launcher::pack {

inline constexpr char kFeedFileName[] = "runtime-feed.ini";
inline constexpr char kFeedSignatureFileName[] = "runtime-feed.ini.sig";

// The platforms a feed has sections for, in the order they are written.
inline constexpr std::array<const char*, 3> kFeedPlatforms = {"windows-x64", "windows-x86", "linux-x64"};

bool isFeedPlatform(std::string_view name);

struct FeedEntry {
    std::string url;
    std::string sha256; // 64 lower-case hex digits once checked
    std::string size;   // bytes, decimal
    std::string version;
};

struct Feed {
    std::string productCode; // empty: any product
    uint64_t sequence = 0;
    std::map<std::string, FeedEntry> entries; // by platform
};

// What the values are called in messages: the options that gave them, or
// the keys of a feed file.
struct FeedEntryNames {
    std::string url, sha256, size, version;
};

// The entry as the launcher would accept it: an https address (plain http
// only to a loopback address), 64 hex digits (lower-cased here), a size
// above 0, and a version of one to four whole numbers. Throws PackError
// naming the value.
FeedEntry checkedFeedEntry(FeedEntry entry, const FeedEntryNames& names);

// The feed that text holds; where names the file in messages. Throws
// PackError for a section other than "Feed" and the platforms' (it would be
// lost when the feed is written again), a missing or malformed "Sequence",
// and a platform's entry that checkedFeedEntry refuses.
Feed parseFeed(std::string_view bytes, const std::string& where);

// The feed's text: UTF-8, CRLF lines, written by the launcher's own INI
// writer so that its reader reads back every value as given. Throws
// PackError for a product code the INI cannot hold.
std::string feedText(const Feed& feed);

} // namespace launcher::pack
