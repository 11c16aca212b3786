#pragma once
// The feed's state file (FeedState.h) on disk.

#include "update/FeedState.h"

#include <string>

namespace launcher {

// The state in the file; empty state when the file is missing, unreadable
// or larger than any state file.
FeedState readFeedState(const std::u16string& path);

// Writes the state so that a reader, or a crash, finds either the old file
// or the new one whole: a new file beside it, renamed over it. The
// caller holds the install lock, so two starts never save at once.
bool saveFeedState(const std::u16string& path, const FeedState& state);

// The platform's step: replaces the file at path with bytes in one move;
// the new file is removed again when any step fails.
bool replaceFileWhole(const std::u16string& path, std::string_view bytes);

} // namespace launcher
