#include "update/FeedState.h"

#include "config/IniText.h"
#include "config/RuntimeDownload.h"

#include <algorithm>

namespace launcher {

namespace {

// The file's own lines, not settings: named unlike the configuration's
// kXxxSection and kXxxKey constants, which the manual's reference lists.
constexpr std::u16string_view kStateHeader = u"Runtime Feed";
constexpr std::u16string_view kLastLookLine = u"Last Look";
constexpr std::u16string_view kHighestSequenceLine = u"Highest Sequence";
constexpr std::u16string_view kBadEntriesLine = u"Bad Entries";

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
    return toUtf8(text);
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

} // namespace launcher
