#pragma once
// Where the start installs the vendor's pinned runtime when the search found
// none. The launcher core does not link the installer (its readers and zlib
// stay out of a launcher that does not install); the entry point of a
// launcher that installs hands it in.

#include "config/RuntimeDownload.h"

#include <string>

namespace launcher {

// Installs pin into folder; false (after saying why) when nothing was.
using RuntimeInstaller = bool (*)(const RuntimeDownload& pin, const std::u16string& folder);

void setRuntimeInstaller(RuntimeInstaller installer);

// Installs the pinned runtime into folder when a pin is configured, an
// installer is set and the start may use what it installs (refused says
// why not, empty when it may). True when a runtime was installed (or found
// installed meanwhile), so that the search is worth running again.
bool installPinnedRuntime(const RuntimeDownload& pin, const std::u16string& folder, const std::u16string& refused);

} // namespace launcher
