#pragma once
// What a start does for the runtime feed once main has been called, on a
// background thread: records that the entry it runs on has started a
// program, removes the runtimes that no start needs any more, and looks at
// the feed when it is due.

#include "update/FeedLook.h"

#include <atomic>
#include <string>

namespace launcher {

struct FeedWork {
    // Its time, cancel flag and the pinned runtime's version (from its
    // release file) are set when the work runs.
    FeedLookRequest look;
    // The entry this start runs on (lower-case hex SHA-256) and its version;
    // empty when it runs on the pinned runtime or another one.
    std::u16string runningEntry;
    std::u16string runningVersion;
    bool firstStart = false; // the running entry had not started a program before
};

void runFeedWork(const FeedWork& work, const std::atomic<bool>& cancel);

// Removes the entries' runtimes that neither the state nor a running start
// needs: never the pinned runtime, the current entry, the started one or
// one whose lock a start holds; and nothing at all while the current entry
// has not started a program yet, since a failing start goes back to the
// runtime it replaced. Only folders that a look installed (those with a
// lock file beside them) are ever removed. Returns one trace line per
// removal or refusal.
std::vector<std::u16string> removeUnusedEntries(const std::u16string& pinnedFolder, const std::u16string& runningEntry,
                                                const std::atomic<bool>* cancel);

} // namespace launcher
