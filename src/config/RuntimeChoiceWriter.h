#pragma once
// Remembering the runtime folder the user picked, so that the next start
// finds it without asking.

#include "config/LaunchSettings.h"

namespace launcher {

// Writes "JRE Path" = folder (with its trailing separator) in section "Java
// Runtime Environment". A service writes into the launcher INI (iniPath) and
// the paired launcher's INI; any other application into the user's own INI
// and the paired launcher's per-user INI, creating their folders. Write
// failures are ignored: the next start simply asks again.
void writeRuntimeChoice(const LaunchSettings& settings, std::u16string_view modulePath, std::u16string_view iniPath,
                        std::u16string_view folder);

} // namespace launcher
