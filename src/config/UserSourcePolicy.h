#pragma once
// Which of the user's own sources the launch may trust. An elevated start
// (the user chose "Run as administrator", or an elevated installer starts
// the application at its end) must not let the user's unelevated programs,
// which can write all of these, choose the runtime the elevated process
// loads or the class-data archive it maps.

#include "base/Elevation.h"
#include "base/Text.h"

namespace launcher {

struct UserSourcePolicy {
    bool readUserIni = true;         // the per-user INI's "JRE Path"
    bool searchUserRuntimes = true;  // JAVA_HOME, the user's registry keys and runtime folders
    bool useStartupCache = true;     // the per-user class-data archive
    bool rememberChoice = true;      // the runtime picked in the dialog, for the next start
    // JAVA_TOOL_OPTIONS and _JAVA_OPTIONS, which the runtime reads itself
    // (an "-agentpath:" there runs any library).
    bool runtimeOptionVariables = true;
    bool userVariables = true;       // %NAME% references in settings expanded from the user's variables
    bool traceToFile = true;         // QX_LAUNCHER_TRACE naming a file to create or append to
    std::u16string reason;           // why sources are left out; empty when none is
};

UserSourcePolicy userSourcePolicy(const ElevationFacts& facts);
// This process's policy, asked of the system on the first call: the entry
// point needs it before the launch begins.
const UserSourcePolicy& processUserSourcePolicy();

} // namespace launcher
