#include "update/FeedChoice.h"

#include "jre/JvmLibrary.h"
#include "jre/RuntimeFolders.h"

#include <algorithm>

namespace launcher {

namespace {

// Why the entry cannot be taken, or empty.
std::u16string refusal(const FeedChoiceFacts& facts, const std::u16string& entry, const std::u16string& versionText,
                       const std::function<bool(const std::u16string&)>& installed) {
    if (isMarkedBad(facts.state, entry)) return u"it is marked bad: it failed to start a program";
    if (entry == facts.failedEntry) return u"it failed to start a program in the start that started this one";
    const ParsedVersion version = parseVersion(versionText, 0);
    if (!version.ok) return u"its version cannot be read";
    if (compareVersions(version.version, *facts.pinnedVersion) < 0) return u"it is older than the pinned runtime";
    if (compareVersions(version.version, facts.minimumVersion) < 0 ||
        compareVersions(version.version, facts.maximumVersion) > 0) {
        return u"it is outside \"Minimum Version\" and \"Maximum Version\"";
    }
    if (!installed(entry)) return u"its folder holds no runtime";
    return {};
}

std::u16string entryName(const std::u16string& entry, const std::u16string& version) {
    return u"entry " + entry.substr(0, 16) + u" (" + version + u")";
}

} // namespace

std::optional<VersionNumber> installedRuntimeVersion(const std::u16string& folder) {
    const ParsedVersion version = parseVersion(releaseVersion(withTrailingSeparator(folder)), 0);
    if (!version.ok) return std::nullopt;
    return version.version;
}

FeedChoice chooseFeedEntry(const FeedChoiceFacts& facts, const std::function<bool(const std::u16string&)>& installed) {
    const FeedState& state = facts.state;
    if (state.currentEntry.empty()) return {.entry = {}, .proven = false, .why = u"no entry of the feed is installed yet"};
    const std::u16string current = entryName(state.currentEntry, state.currentVersion);
    if (!facts.pinnedVersion) {
        return {.entry = {},
                .proven = false,
                .why = current + u" is not used: the pinned runtime is not installed, so the floor is unknown"};
    }
    std::u16string why = refusal(facts, state.currentEntry, state.currentVersion, installed);
    if (why.empty()) {
        const bool proven = state.startedEntry == state.currentEntry;
        return {.entry = state.currentEntry,
                .proven = proven,
                .why = current + u" is used in the pinned runtime's place: the newest checked runtime" +
                       (proven ? u"" : u", starting a program for the first time")};
    }
    why = current + u" is not used: " + why;
    // The runtime the newest entry replaced stays until the newest has
    // started a program: the start goes back to it.
    if (!state.startedEntry.empty() && state.startedEntry != state.currentEntry) {
        const std::u16string started = entryName(state.startedEntry, state.startedVersion);
        const std::u16string older = refusal(facts, state.startedEntry, state.startedVersion, installed);
        if (older.empty()) {
            return {.entry = state.startedEntry,
                    .proven = true,
                    .why = why + u"; " + started + u", which started a program before, is used in its place"};
        }
        why += u"; nor " + started + u": " + older;
    }
    return {.entry = {}, .proven = false, .why = why + u"; the pinned runtime is used"};
}

} // namespace launcher
