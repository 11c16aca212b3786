#include "base/BackgroundWork.h"
#include "base/Environment.h"
#include "base/PathText.h"
#include "base/Trace.h"
#include "base/VariableTable.h"
#include "jre/JvmLibrary.h"
#include "jre/RuntimeFolders.h"
#include "launcher/LaunchTrace.h"
#include "launcher/Launcher.h"
#include "launcher/PairRelaunch.h"
#include "launcher/RuntimeFeedHook.h"
#include "config/RuntimeDownload.h"
#include "update/FeedChoice.h"
#include "update/FeedStateFile.h"

#include <atomic>
#include <cstdlib>

// The runtime feed's share of the launch: the newest runtime it installed,
// taken in the pinned runtime's place; the look at the feed once main has
// been called; and, when that runtime fails to start the program, the same
// start made again on the runtime it replaced.

namespace launcher {

namespace {

constexpr std::u16string_view kFeedFailedVariable = u"QX_LAUNCHER_RUNTIME_FEED_FAILED";
// The mark of a failed runtime is worth a short wait, not a long one: the
// relaunched start skips the runtime either way.
constexpr std::chrono::seconds kMarkLockWait{2};

// The entry that failed in the start that relaunched this one; the mark is
// not passed on to the program or any start it makes.
std::u16string takeFailedEntry() {
    const VariableReading failed = readVariable(kFeedFailedVariable);
    if (!failed.present) return {};
    unsetEnvironmentVariable(kFeedFailedVariable);
    return normalizedSha256(failed.value.value_or(u"")).value_or(u"");
}

std::atomic<Launcher*> fallbackAtExit{nullptr};

} // namespace

void FeedFallbackAtExit::atExit() {
    if (Launcher* launcher = fallbackAtExit.exchange(nullptr)) launcher->fallBackFromFeedEntry();
}

FeedFallbackAtExit::FeedFallbackAtExit(Launcher* launcher) {
    if (!launcher) return;
    static const bool registered = std::atexit(&FeedFallbackAtExit::atExit) == 0;
    if (registered) fallbackAtExit = launcher;
}

void FeedFallbackAtExit::disarm() { fallbackAtExit = nullptr; }

std::u16string Launcher::feedOrPinnedFolder(const std::u16string& pinnedFolder) {
    if (!settings_.runtimeFeed.configured() || pinnedFolder.empty()) return pinnedFolder;
    FeedChoiceFacts facts;
    facts.state = readFeedState(feedStatePath(pinnedFolder));
    facts.pinnedVersion = installedRuntimeVersion(pinnedFolder);
    facts.failedEntry = takeFailedEntry();
    facts.minimumVersion = settings_.runtime.minimumVersion;
    facts.maximumVersion = settings_.runtime.maximumVersion;
    const JvmTypeCode type = settings_.runtime.jvmType;
    const FeedChoice choice = chooseFeedEntry(facts, [&](const std::u16string& entry) {
        return !findJvmLibrary(withTrailingSeparator(feedEntryFolder(pinnedFolder, entry)), type).path.empty();
    });
    if (trace::on()) trace::say({u"runtime feed: ", choice.why});
    if (choice.entry.empty()) return pinnedFolder;
    // A home as the search takes it, like the pinned folder it replaces:
    // the library is looked for below the trailing separator.
    const std::u16string folder = withTrailingSeparator(feedEntryFolder(pinnedFolder, choice.entry));
    // Held for the life of the process: no clean-up removes a runtime a
    // start runs on. The folder is looked at again with the lock held: a
    // clean-up that removed it just before leaves only its lock file.
    if (!feedUse_.holdShared(runtimeUsePath(folder)) ||
        findJvmLibrary(folder, settings_.runtime.jvmType).path.empty()) {
        feedUse_.release();
        if (trace::on()) trace::line(u"runtime feed: the entry is being removed: the pinned runtime is used");
        return pinnedFolder;
    }
    feedEntry_ = choice.entry;
    feedEntryVersion_ = choice.entry == facts.state.currentEntry ? facts.state.currentVersion : facts.state.startedVersion;
    feedEntryProven_ = choice.proven;
    // The search reads a runtime's home with its separator at the end, as
    // the pinned runtime's folder comes.
    return folder;
}

bool Launcher::runsOnFeedEntry() const {
    return !feedEntry_.empty() && jvmPath_.starts_with(feedEntryFolder(pinFolder_, feedEntry_) + kPathSeparator);
}

bool Launcher::onUntriedFeedEntry() const {
    // Only the runtime the search took from the feed's folder: a search that
    // found another runtime first runs on that one.
    return runsOnFeedEntry() && !feedEntryProven_;
}

void Launcher::startFeedWork() {
    if (!settings_.runtimeFeed.configured()) return;
    std::u16string why;
    if (settings_.serviceMode) why = u"a service does not look at the feed";
    else if (!userSources_.reason.empty()) why = u"not in this start: " + userSources_.reason;
    else if (!runtimeFeedWorker()) why = u"this launcher does not follow a feed";
    if (!why.empty()) {
        if (trace::on()) trace::say({u"runtime feed: not looked at: ", why});
        return;
    }
    FeedWork work;
    work.look.feedUrl = settings_.runtimeFeed.url;
    work.look.publicKey = settings_.runtimeFeed.publicKey;
    work.look.productCode = settings_.productCode;
    work.look.platform = std::u16string(feedPlatform());
    work.look.minimumVersion = settings_.runtime.minimumVersion;
    work.look.maximumVersion = settings_.runtime.maximumVersion;
    work.look.pin = {.url = settings_.runtimeDownload.url, .sha256 = settings_.runtimeDownload.sha256,
                     .size = settings_.runtimeDownload.size, .folder = pinFolder_};
    work.look.intervalHours = settings_.runtimeFeed.intervalHours;
    if (runsOnFeedEntry()) {
        work.runningEntry = feedEntry_;
        work.runningVersion = feedEntryVersion_;
        work.firstStart = !feedEntryProven_;
    }
    const RuntimeFeedWorker worker = runtimeFeedWorker();
    const bool started = startBackgroundWork([worker, work = std::move(work)](const std::atomic<bool>& cancel) {
        worker(work, cancel);
    });
    if (trace::on()) {
        trace::line(started ? u"runtime feed: background work started (record, clean-up, look when due)"
                            : u"runtime feed: no thread for the background work");
    }
}

void Launcher::fallBackFromFeedEntry() {
    if (!onUntriedFeedEntry()) return;
    const std::u16string entry = feedEntry_;
    const bool marked = changeFeedState(feedRuntimeFolder(pinFolder_),
                                        [&](FeedState& state) { markEntryBad(state, entry); }, kMarkLockWait);
    if (trace::on()) {
        trace::say({u"runtime feed: entry ", entry.substr(0, 16), u" (", feedEntryVersion_, u") failed to start the program; ",
                    marked ? u"marked bad" : u"the mark could not be saved",
                    u"; the launcher starts again on the runtime it replaced"});
    }
    std::u16string module;
    if (!getModulePath(module)) return;
    stopSplashThread();
    instance_.stop();
    feedUse_.release();
    setEnvironmentVariable(kFeedFailedVariable, entry);
    const PairOutcome child = relaunchPair(module, true);
    if (!child.started) {
        // The failure's own message follows, as without a feed.
        unsetEnvironmentVariable(kFeedFailedVariable);
        if (trace::on()) trace::line(u"runtime feed: the launcher could not be started again");
        return;
    }
    traceExit(child.exitCode, child.abnormalEnd.empty() ? u"the relaunched start's own code" : child.abnormalEnd);
    // The runtime that failed is half made in this process: nothing of it
    // may run again, so the process ends here with the new start's code.
    endProcessNow(child.exitCode);
}

} // namespace launcher
