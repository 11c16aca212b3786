#include "update/FeedLook.h"

#include "base/FolderChain.h"
#include "base/PathText.h"
#include "base/Text.h"
#include "update/FeedStateFile.h"
#include "update/RuntimeProbe.h"
#include "update/RuntimeUse.h"

namespace launcher {

namespace {

// How long recording a look waits for another start's install: a look
// that cannot record only makes the next start look again, which is
// better than a background thread that waits for a whole download.
constexpr std::chrono::seconds kStateLockWait{10};

FeedLookResult result(FeedLookOutcome outcome, std::u16string line, FeedCheck failed = FeedCheck::None) {
    return {.outcome = outcome, .failed = failed, .folder = {}, .line = std::move(line)};
}

struct FeedFetch {
    std::string body;
    DownloadResult download;
};

// At most kFeedSizeLimit bytes: the download stops reading at the limit.
FeedFetch fetch(const std::u16string& url, const std::atomic<bool>* cancel) {
    FeedFetch fetched;
    fetched.download = download(toUtf8(url),
        {.write =
                [&](std::span<const uint8_t> bytes) {
                    fetched.body.append(bytes.begin(), bytes.end());
                    return true;
                },
            .progress = nullptr,
            .cancel = cancel,
            .limit = kFeedSizeLimit});
    return fetched;
}

// What a failed fetch makes of the look: a body over the limit is the
// size check's refusal, as a feed fetched whole and found too large is.
FeedLookResult fetchFailure(const std::u16string& what, const DownloadResult& failed) {
    switch (failed.failure) {
    case DownloadFailure::Cancelled: return result(FeedLookOutcome::Cancelled, u"runtime feed: " + what + u" cancelled");
    case DownloadFailure::TooLarge:
        return result(FeedLookOutcome::Refused,
            u"runtime feed refused (" + std::u16string(feedCheckName(FeedCheck::Size)) + u"): " + failed.message,
            FeedCheck::Size);
    default:
        return result(FeedLookOutcome::FetchFailed, u"runtime feed: could not fetch " + what + u": " + failed.message);
    }
}

// Reads the state again and saves it changed, under the install lock, so
// that what another start recorded meanwhile (a bad mark, a higher
// sequence) is kept.
bool recordLook(const FeedLookRequest& request, std::optional<uint64_t> accepted, const FeedEntry* installed = nullptr) {
    return changeFeedState(feedRuntimeFolder(request.pin.folder), [&](FeedState& state) {
        state.lastLook = request.now;
        if (accepted && (!state.highestSequence || *state.highestSequence < *accepted)) state.highestSequence = accepted;
        // The runtime the next start takes; the one it replaces is still
        // the started entry, which a failing start goes back to.
        if (installed) {
            state.currentEntry = installed->sha256;
            state.currentVersion = installed->versionText;
        }
    }, kStateLockWait, request.cancel);
}

FeedLookResult withRecord(FeedLookResult done, bool recorded) {
    if (!recorded) done.line += u" (the look could not be recorded; the next start looks again)";
    return done;
}

FeedLookResult install(const FeedLookRequest& request, const FeedVerdict& verdict) {
    const RuntimePin pin{.url = verdict.entry.url, .sha256 = verdict.entry.sha256, .size = verdict.entry.size,
        .folder = feedEntryFolder(request.pin.folder, verdict.entry.sha256)};
    const InstallResult installed = installRuntime(pin, {.progress = nullptr, .cancel = request.cancel});
    if (installed.download == DownloadFailure::Cancelled) {
        return result(FeedLookOutcome::Cancelled, u"runtime feed: install of " + verdict.entry.versionText + u" cancelled");
    }
    if (!installed) {
        // The sequence stays where it was, so the next look tries the entry again.
        return withRecord(result(FeedLookOutcome::InstallFailed,
                              u"runtime feed: could not install " + verdict.entry.versionText + u": " + installed.message),
            recordLook(request, std::nullopt));
    }
    markFeedEntry(pin.folder);
    const ProbeResult probe = probeRuntime(pin.folder, request.probeLimit, request.cancel);
    if (probe.cancelled) {
        return result(FeedLookOutcome::Cancelled, u"runtime feed: check of " + verdict.entry.versionText + u" cancelled");
    }
    if (probe.timedOut) {
        // Neither taken nor marked bad: the sequence stays where it was, so
        // the next look finds the entry installed and asks it again.
        return withRecord(result(FeedLookOutcome::InstallFailed, u"runtime feed: runtime " + verdict.entry.versionText +
                                                                    u" was installed but not checked (" + probe.detail +
                                                                    u"): asked again at the next look"),
            recordLook(request, std::nullopt));
    }
    if (probe.starts == false) {
        // Never taken by a start; the clean-up removes it.
        const bool recorded = changeFeedState(feedRuntimeFolder(request.pin.folder), [&](FeedState& state) {
            state.lastLook = request.now;
            if (!state.highestSequence || *state.highestSequence < *verdict.sequence) state.highestSequence = verdict.sequence;
            markEntryBad(state, verdict.entry.sha256);
        }, kStateLockWait, request.cancel);
        return withRecord(result(FeedLookOutcome::InstallFailed, u"runtime feed: runtime " + verdict.entry.versionText +
                                                                   u" was installed but does not start (" + probe.detail +
                                                                   u"): marked bad"),
                          recorded);
    }
    FeedLookResult done = result(FeedLookOutcome::Installed,
        verdict.reason + u"; runtime " + verdict.entry.versionText +
            (installed.outcome == InstallOutcome::Installed ? u" installed in " : u" was installed already in ") +
            pin.folder);
    done.folder = pin.folder;
    return withRecord(std::move(done), recordLook(request, verdict.sequence, &verdict.entry));
}

} // namespace

FeedLookResult lookAtFeed(const FeedLookRequest& request) {
    const FeedState state = readFeedState(feedStatePath(request.pin.folder));
    if (!isFeedLookDue(state, request.now, request.intervalHours)) {
        return result(FeedLookOutcome::NotDue,
            u"runtime feed: not due (last look at " + toDecimal(state.lastLook.value_or(0)) + u", every " +
                toDecimal(request.intervalHours) + u" h)");
    }
    const FeedFetch feed = fetch(request.feedUrl, request.cancel);
    if (!feed.download) {
        FeedLookResult failed = fetchFailure(u"the feed", feed.download);
        return failed.outcome == FeedLookOutcome::Cancelled ? failed : withRecord(failed, recordLook(request, {}));
    }
    const FeedFetch signature = fetch(request.feedUrl + u".sig", request.cancel);
    if (!signature.download) {
        FeedLookResult failed = fetchFailure(u"the feed's signature", signature.download);
        return failed.outcome == FeedLookOutcome::Cancelled ? failed : withRecord(failed, recordLook(request, {}));
    }
    FeedExpectations expected;
    expected.publicKey = request.publicKey;
    expected.productCode = request.productCode;
    expected.highestSequence = state.highestSequence;
    expected.platform = request.platform;
    expected.minimumVersion = request.minimumVersion;
    expected.maximumVersion = request.maximumVersion;
    expected.floor = request.pinnedVersion;
    expected.badEntries = state.badEntries;
    const FeedVerdict verdict = checkFeed(feed.body, signature.body, expected);
    if (!verdict.accepted()) {
        return withRecord(result(FeedLookOutcome::Refused, verdict.reason, verdict.failed), recordLook(request, {}));
    }
    return install(request, verdict);
}

} // namespace launcher
