#include "update/FeedWork.h"

#include "base/FileFinder.h"
#include "base/PathText.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "install/InstallLock.h"
#include "install/UnpackFiles.h"
#include "update/FeedChoice.h"
#include "update/FeedStateFile.h"
#include "update/RuntimeUse.h"

#include <algorithm>
#include <chrono>

namespace launcher {

namespace {

// Neither the record nor the clean-up is worth waiting long for: the next
// start does either again.
constexpr std::chrono::seconds kRecordLockWait{5};
constexpr std::chrono::milliseconds kCleanLockWait{200};
constexpr std::u16string_view kUseSuffix = u".in-use";

bool isEntryName(std::u16string_view name) {
    return name.size() == 16 && std::all_of(name.begin(), name.end(), [](char16_t c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

// The entries' names (16 hex digits) that have a lock file, so a look
// installed them.
std::vector<std::u16string> feedEntryNames(const std::u16string& runtimeFolder) {
    std::vector<std::u16string> names;
    FileFinder finder;
    for (bool found = finder.findFirst(runtimeFolder + kPathSeparator + u"*" + std::u16string(kUseSuffix)); found;
         found = finder.findNext()) {
        const std::u16string name = finder.fileName();
        if (name.size() <= kUseSuffix.size() || finder.isDirectory()) continue;
        const std::u16string entry = name.substr(0, name.size() - kUseSuffix.size());
        if (isEntryName(entry)) names.push_back(entry);
    }
    return names;
}

// Moves the folder out of its name first, so that a search meanwhile finds
// the runtime whole or not at all; what a removal leaves is an install
// leftover, which the next install clears.
std::u16string removeEntry(const std::u16string& runtimeFolder, const std::u16string& name) {
    const std::u16string folder = joinPath(runtimeFolder, name);
    RuntimeUseLock lock;
    if (!lock.holdAlone(runtimeUsePath(folder))) return u"runtime feed: entry " + name + u" is in use: kept";
    if (pathExists(folder)) {
        const std::u16string aside = folder + u".damaged-removed-" + toDecimal(static_cast<long long>(currentTimeSeconds()));
        uint32_t error = 0;
        if (!moveFolder(folder, aside, error)) {
            return u"runtime feed: entry " + name + u" could not be moved aside (error " +
                   toDecimal(static_cast<long long>(error)) + u"): kept";
        }
        removeTree(aside);
    }
    lock.removeFile();
    return u"runtime feed: removed entry " + name + u", which no start needs any more";
}

} // namespace

std::vector<std::u16string> removeUnusedEntries(const std::u16string& pinnedFolder, const std::u16string& runningEntry,
                                                const std::atomic<bool>* cancel) {
    const std::u16string runtimeFolder = feedRuntimeFolder(pinnedFolder);
    std::u16string pinned = pinnedFolder;
    while (pinned.size() > runtimeFolder.size() + 1 && pinned.back() == kPathSeparator) pinned.pop_back();
    // The install lock keeps a look's install from landing between the
    // state's reading and a removal.
    InstallLock install;
    if (install.acquire(joinPath(runtimeFolder, u"install.lock"), kCleanLockWait, cancel) != InstallLock::Outcome::Locked) {
        return {u"runtime feed: another start installs: no clean-up this time"};
    }
    const FeedState state = readFeedState(joinPath(runtimeFolder, kFeedStateFileName));
    const std::u16string& current = state.currentEntry;
    if (!current.empty() && current != state.startedEntry && !isMarkedBad(state, current)) return {};
    std::vector<std::u16string> keep = {pinned.substr(runtimeFolder.size() + 1)};
    // A current entry marked bad is never taken again: it goes too.
    for (const std::u16string* entry : {&current, &state.startedEntry, &runningEntry}) {
        if (!entry->empty() && !(entry == &current && isMarkedBad(state, current))) keep.push_back(entry->substr(0, 16));
    }
    std::vector<std::u16string> lines;
    for (const std::u16string& name : feedEntryNames(runtimeFolder)) {
        if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
        if (cancel && cancel->load()) break;
        lines.push_back(removeEntry(runtimeFolder, name));
    }
    return lines;
}

void runFeedWork(const FeedWork& work, const std::atomic<bool>& cancel) {
    const std::u16string runtimeFolder = feedRuntimeFolder(work.look.pin.folder);
    if (work.firstStart && !work.runningEntry.empty()) {
        const bool recorded = changeFeedState(runtimeFolder, [&](FeedState& state) {
            state.startedEntry = work.runningEntry;
            state.startedVersion = work.runningVersion;
        }, kRecordLockWait, &cancel);
        if (trace::on()) {
            trace::say({u"runtime feed: entry ", work.runningEntry.substr(0, 16), u" (", work.runningVersion,
                        recorded ? u") has started a program: recorded" : u") has started a program, which could not be recorded"});
        }
    }
    for (const std::u16string& line : removeUnusedEntries(work.look.pin.folder, work.runningEntry, &cancel)) {
        if (trace::on()) trace::line(line);
    }
    FeedLookRequest look = work.look;
    // Read here, not on the way to main: the pinned runtime's version is
    // the floor of every entry, and without it there is nothing to update.
    look.pinnedVersion = installedRuntimeVersion(look.pin.folder);
    if (!look.pinnedVersion) {
        if (trace::on()) {
            trace::line(u"runtime feed: not looked at: the pinned runtime is not installed, so there is nothing to update");
        }
        return;
    }
    look.now = currentTimeSeconds();
    look.cancel = &cancel;
    const FeedLookResult result = lookAtFeed(look);
    if (trace::on()) trace::line(result.line);
}

} // namespace launcher
