#include "launcher/Launcher.h"
#include "base/CurrentDirectory.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "config/CommandLine.h"
#include "config/SettingsReader.h"
#include "config/UserSourcePolicy.h"
#include "launcher/LaunchTrace.h"
#include "launcher/ProcessSetup.h"
#include "launcher/UserEnvironment.h"

// What the launch starts from: its command line, its settings (with what of
// the user's own may be trusted) and, when configured, the executable's
// folder as the current directory.

namespace launcher {

void Launcher::applyWorkingDirectory() {
    std::u16string module;
    if (!getModulePath(module)) return;
    size_t cut = module.rfind(kPathSeparator);
    if (cut == std::u16string::npos || cut == 0) return;
    setCurrentDirectory(std::u16string_view(module).substr(0, cut));
}

void Launcher::readCommandLine() {
    arguments_ = readProcessArguments();
}

bool Launcher::readSettings() {
    std::u16string iniPath;
    if (!getIniPath(iniPath)) return false;
    std::u16string module;
    getModulePath(module);
    traceStart(module, iniPath);
    userSources_ = processUserSourcePolicy();
    if (!userSources_.reason.empty() && trace::on()) {
        trace::say({u"user sources: ", userSources_.reason,
                    u": the per-user INI, JAVA_HOME, the user's registry keys and runtime folders and the startup "
                    u"cache are left out, and a runtime picked in the dialog is not remembered"});
    }
    // Before anything can load a library of the runtime (the native splash
    // loads its splash library before the runtime itself).
    leaveOutUserEnvironment(userSources_);
    if (!readLaunchSettings(iniPath, module, messageOwner_, settings_, userSources_.readUserIni)) return false;
    settings_.runtime.includeUserSources = userSources_.searchUserRuntimes;
    // Before any window of the launch or of the Java program exists: the
    // shell reads a window's identity when the window is made.
    if (!settings_.appUserModelId.empty()) {
        long result = setAppUserModelId(settings_.appUserModelId);
        if (trace::on()) {
            trace::say({u"App User Model ID \"", settings_.appUserModelId, u"\": ",
                        result == 0    ? std::u16string(u"set")
                        : result == -1 ? std::u16string(u"not used here (a Windows taskbar setting)")
                                       : u"the system refused it (result " + toDecimal(result) + u")"});
        }
    }
    return true;
}

} // namespace launcher
