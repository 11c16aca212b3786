#pragma once
// The feed's state file (FeedState.h) on disk.

#include "update/FeedState.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace launcher {

// The state in the file; empty state when the file is missing, unreadable
// or larger than any state file.
FeedState readFeedState(const std::u16string& path);

// Writes the state so that a reader, or a crash, finds either the old file
// or the new one whole: a new file beside it, renamed over it. The
// caller holds the install lock, so two starts never save at once.
bool saveFeedState(const std::u16string& path, const FeedState& state);

// Reads the state in the runtime folder, changes it and saves it whole,
// holding the product's install lock (waiting at most wait), so that what
// another start recorded meanwhile is kept. False when the lock or the
// save failed: nothing was changed.
bool changeFeedState(const std::u16string& runtimeFolder, const std::function<void(FeedState&)>& change,
                     std::chrono::milliseconds wait, const std::atomic<bool>* cancel = nullptr);

// The product's per-user runtime folder, which holds the pinned runtime's
// folder, the entries' folders, the state file and install.lock.
std::u16string feedRuntimeFolder(const std::u16string& pinnedFolder);

// The folder an entry of the feed goes to: beside the pinned runtime's,
// named like it by the first 16 hex digits of its SHA-256.
std::u16string feedEntryFolder(const std::u16string& pinnedFolder, std::u16string_view sha256);

// The state file beside install.lock in the product's runtime folder.
std::u16string feedStatePath(const std::u16string& pinnedFolder);

} // namespace launcher
