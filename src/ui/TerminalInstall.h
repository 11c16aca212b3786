#pragma once
// The install of the pinned runtime by a launcher that has no window to show
// (the Linux launcher, the Windows console variant): without asking, with
// its progress on standard error when that is a terminal, and its failure
// shown as every message of the launcher is.

#include "config/RuntimeDownload.h"
#include "ui/InstallOffer.h"

#include <string>

namespace launcher {

bool installOnTerminal(const RuntimeDownload& pin, const std::u16string& folder);

// One install of pin into folder on the calling thread, as the windows of
// the Windows launcher run it; the failure's message, empty when the
// runtime is in place.
std::u16string installPinnedStep(const RuntimeDownload& pin, const std::u16string& folder,
                                 const InstallProgress& progress, const std::atomic<bool>& cancel);

// Whether standard error is a terminal (a console on Windows), where a
// progress line can be redrawn in place (platform side).
bool errorStreamIsTerminal();

} // namespace launcher
