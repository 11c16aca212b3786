#include "FeedFile.h"

#include "base/Text.h"
#include "config/IniText.h"
#include "config/RuntimeDownload.h"
#include "jre/VersionNumber.h"
#include "update/FeedState.h"

#include <algorithm>
#include <vector>

namespace launcher::pack {

namespace {

constexpr char16_t kFeedSection[] = u"Feed";
constexpr char16_t kProductCodeKey[] = u"Product Code";
constexpr char16_t kSequenceKey[] = u"Sequence";
constexpr char16_t kUrlKey[] = u"URL";
constexpr char16_t kSha256Key[] = u"SHA-256";
constexpr char16_t kSizeKey[] = u"Size";
constexpr char16_t kVersionKey[] = u"Version";

// Digit groups joined by dots, as the launcher's version reader takes them
// without guessing: "21.0.5+11" would read as four groups, 21.0.5.11.
bool isPlainVersion(const std::string& text) {
    size_t groups = 0;
    size_t start = 0;
    for (;;) {
        const size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view group(text.data() + start, dot - start);
        if (group.empty() || group.find_first_not_of("0123456789") != std::string_view::npos) return false;
        ++groups;
        if (dot == text.size()) break;
        start = dot + 1;
    }
    return groups <= 4 && parseVersion(fromUtf8(text), kVersionFillLow).ok;
}

FeedEntry entryIn(const IniIndex& index, const std::string& platform, const std::string& where) {
    const std::u16string section = fromUtf8(platform);
    auto key = [&](std::u16string_view name) { return toUtf8(readIniValue(index, section, name)); };
    const std::string prefix = where + ": [" + platform + "] ";
    return checkedFeedEntry({key(kUrlKey), key(kSha256Key), key(kSizeKey), key(kVersionKey)},
                            {prefix + "\"URL\"", prefix + "\"SHA-256\"", prefix + "\"Size\"", prefix + "\"Version\""});
}

void setValue(std::string& text, std::u16string_view section, std::u16string_view key, const std::string& value) {
    std::optional<std::string> written = launcher::setIniValue(text, section, key, fromUtf8(value));
    if (!written) {
        throw PackError("\"" + toUtf8(key) + "\": \"" + value + "\" cannot be written into the feed so that it reads back as given");
    }
    text = std::move(*written);
}

} // namespace

bool isFeedPlatform(std::string_view name) {
    return std::find(kFeedPlatforms.begin(), kFeedPlatforms.end(), name) != kFeedPlatforms.end();
}

FeedEntry checkedFeedEntry(FeedEntry entry, const FeedEntryNames& names) {
    const std::u16string url = fromUtf8(entry.url);
    if (!isHttpAddress(url)) throw PackError(names.url + ": \"" + entry.url + "\" is not an http or https address");
    if (!isRuntimeAddress(url)) {
        throw PackError(names.url + ": \"" + entry.url + "\" is not an https address; the launcher downloads a runtime "
                        "over https only (plain http only from the loopback address 127.0.0.1 or [::1])");
    }
    std::optional<std::u16string> sha256 = normalizedSha256(fromUtf8(entry.sha256));
    if (!sha256) throw PackError(names.sha256 + ": \"" + entry.sha256 + "\" is not 64 hexadecimal digits");
    entry.sha256 = toUtf8(*sha256);
    if (!downloadSizeFrom(fromUtf8(entry.size))) {
        throw PackError(names.size + ": \"" + entry.size + "\" is not a whole number of bytes greater than 0");
    }
    if (!isPlainVersion(entry.version)) {
        throw PackError(names.version + ": \"" + entry.version +
                        "\" is not a version of one to four whole numbers joined by dots, such as 21.0.5");
    }
    return entry;
}

Feed parseFeed(std::string_view bytes, const std::string& where) {
    const std::u16string text = decodeIniBytes(bytes);
    std::vector<std::string> present;
    for (const std::u16string& section : listIniSections(text)) {
        if (equalsIgnoreCase(section, kFeedSection)) continue;
        auto platform = std::find_if(kFeedPlatforms.begin(), kFeedPlatforms.end(),
                                     [&](const char* name) { return equalsIgnoreCase(section, fromUtf8(name)); });
        if (platform == kFeedPlatforms.end()) {
            throw PackError(where + ": the section [" + toUtf8(section) +
                            "] is not one of a runtime feed; it would be lost, so nothing is written");
        }
        present.push_back(*platform);
    }
    const IniIndex index(text);
    Feed feed;
    feed.productCode = toUtf8(readIniValue(index, kFeedSection, kProductCodeKey));
    const std::u16string sequence = readIniValue(index, kFeedSection, kSequenceKey);
    std::optional<uint64_t> number = feedNumberFrom(sequence);
    if (sequence.empty()) throw PackError(where + ": [Feed] has no \"Sequence\"");
    if (!number) throw PackError(where + ": [Feed] \"Sequence\" is \"" + toUtf8(sequence) + "\", not a whole number");
    feed.sequence = *number;
    for (const std::string& platform : present) feed.entries[platform] = entryIn(index, platform, where);
    return feed;
}

std::string feedText(const Feed& feed) {
    std::string text = "[Feed]\r\n";
    if (!feed.productCode.empty()) setValue(text, kFeedSection, kProductCodeKey, feed.productCode);
    setValue(text, kFeedSection, kSequenceKey, std::to_string(feed.sequence));
    for (const char* platform : kFeedPlatforms) {
        auto found = feed.entries.find(platform);
        if (found == feed.entries.end()) continue;
        const std::u16string section = fromUtf8(platform);
        setValue(text, section, kUrlKey, found->second.url);
        setValue(text, section, kSha256Key, found->second.sha256);
        setValue(text, section, kSizeKey, found->second.size);
        setValue(text, section, kVersionKey, found->second.version);
    }
    return text;
}

} // namespace launcher::pack
