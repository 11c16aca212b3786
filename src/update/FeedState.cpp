#include "update/FeedState.h"

#include "config/IniText.h"
#include "config/RuntimeDownload.h"

#include <algorithm>
#include <chrono>

namespace launcher {

namespace {

// The file's own lines, not settings: named unlike the configuration's
// kXxxSection and kXxxKey constants, which the manual's reference lists.
constexpr std::u16string_view kStateHeader = u"Runtime Feed";
constexpr std::u16string_view kLastLookLine = u"Last Look";
constexpr std::u16string_view kHighestSequenceLine = u"Highest Sequence";
constexpr std::u16string_view kBadEntriesLine = u"Bad Entries";
constexpr std::u16string_view kCurrentEntryLine = u"Current Entry";
constexpr std::u16string_view kCurrentVersionLine = u"Current Version";
constexpr std::u16string_view kStartedEntryLine = u"Started Entry";
constexpr std::u16string_view kStartedVersionLine = u"Started Version";

// A version as a feed writes one: digits, dots, letters, "+" and "-",
// nothing that could break the file's lines or a trace.
bool isVersionText(std::u16string_view text) {
    if (text.empty() || text.size() > 64) return false;
    return std::all_of(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'.' ||
               c == u'+' || c == u'-' || c == u'_';
    });
}

// An entry is only of use with its version, which the floor is checked
// against: one without the other counts as missing.
void readEntry(const IniIndex& index, std::u16string_view entryKey, std::u16string_view versionKey,
               std::u16string& sha256, std::u16string& version) {
    sha256 = normalizedSha256(readIniValue(index, kStateHeader, entryKey)).value_or(u"");
    version = readIniValue(index, kStateHeader, versionKey);
    if (sha256.empty() || !isVersionText(version)) {
        sha256.clear();
        version.clear();
    }
}

} // namespace

std::optional<uint64_t> feedNumberFrom(std::u16string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
    }
    return value;
}

FeedState parseFeedState(std::string_view bytes) {
    FeedState state;
    if (bytes.size() > kFeedStateSizeLimit) return state;
    const std::u16string text = decodeIniBytes(bytes);
    const IniIndex index(text);
    if (std::optional<uint64_t> seconds = feedNumberFrom(readIniValue(index, kStateHeader, kLastLookLine))) {
        state.lastLook = static_cast<int64_t>(*seconds);
    }
    state.highestSequence = feedNumberFrom(readIniValue(index, kStateHeader, kHighestSequenceLine));
    for (const std::u16string& item : splitString(readIniValue(index, kStateHeader, kBadEntriesLine), u";")) {
        markEntryBad(state, item);
    }
    readEntry(index, kCurrentEntryLine, kCurrentVersionLine, state.currentEntry, state.currentVersion);
    readEntry(index, kStartedEntryLine, kStartedVersionLine, state.startedEntry, state.startedVersion);
    return state;
}

std::string formatFeedState(const FeedState& state) {
    std::u16string text = u"[" + std::u16string(kStateHeader) + u"]\n";
    auto line = [&](std::u16string_view key, std::u16string_view value) {
        text.append(key);
        text.push_back(u'=');
        text.append(value);
        text.push_back(u'\n');
    };
    if (state.lastLook) line(kLastLookLine, toDecimal(*state.lastLook));
    if (state.highestSequence) line(kHighestSequenceLine, toDecimal(static_cast<long long>(*state.highestSequence)));
    std::u16string bad;
    for (const std::u16string& entry : state.badEntries) {
        if (!bad.empty()) bad.push_back(u';');
        bad.append(entry);
    }
    if (!bad.empty()) line(kBadEntriesLine, bad);
    auto entry = [&](std::u16string_view entryKey, std::u16string_view versionKey, const std::u16string& sha256,
                     const std::u16string& version) {
        if (sha256.empty() || !isVersionText(version)) return;
        line(entryKey, sha256);
        line(versionKey, version);
    };
    entry(kCurrentEntryLine, kCurrentVersionLine, state.currentEntry, state.currentVersion);
    entry(kStartedEntryLine, kStartedVersionLine, state.startedEntry, state.startedVersion);
    return toUtf8(text);
}

bool isMarkedBad(const FeedState& state, std::u16string_view sha256) {
    return std::find(state.badEntries.begin(), state.badEntries.end(), sha256) != state.badEntries.end();
}

void markEntryBad(FeedState& state, std::u16string_view sha256) {
    const std::optional<std::u16string> entry = normalizedSha256(sha256);
    if (!entry) return;
    std::erase(state.badEntries, *entry);
    state.badEntries.push_back(*entry);
    if (state.badEntries.size() > kMaxBadEntries) {
        state.badEntries.erase(state.badEntries.begin(),
                               state.badEntries.end() - static_cast<std::ptrdiff_t>(kMaxBadEntries));
    }
}

bool isFeedLookDue(const FeedState& state, int64_t now, uint32_t intervalHours) {
    if (!state.lastLook || intervalHours == 0 || now < *state.lastLook) return true;
    // now is not before the last look, so the difference fits unsigned.
    const uint64_t elapsed = static_cast<uint64_t>(now) - static_cast<uint64_t>(*state.lastLook);
    return elapsed >= uint64_t{intervalHours} * 3600;
}

int64_t currentTimeSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace launcher
