#pragma once
// The Linux launcher's install of the pinned runtime: without asking, with
// its progress on standard error when that is a terminal, and its failure
// shown as every message of the launcher is.

#include "config/RuntimeDownload.h"

#include <optional>
#include <string>

namespace launcher {

bool installOnTerminal(const RuntimeDownload& pin, const std::u16string& folder);

// The progress line: "Downloading the Java runtime: 12.5 of 45.0 MB (27%)",
// without the total when the size is not known yet.
std::u16string progressLine(uint64_t received, std::optional<uint64_t> total);

} // namespace launcher
