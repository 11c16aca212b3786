// Entry point of the Linux launcher.

#include "launcher/CacheAssembly.h"
#include "launcher/Launcher.h"
#include "launcher/ProcessSetup.h"
#include "launcher/RuntimeFeedHook.h"
#include "launcher/RuntimeInstallHook.h"
#include "launcher/UserEnvironment.h"
#include "ui/TerminalInstall.h"

int main() {
    launcher::useSystemDefaultLocale();
    // Before any variable is read: an elevated process's environment is the
    // user's to write.
    launcher::settleUserSources();
    // A background step of the start-up cache, started by an earlier start;
    // refused by an elevated process.
    if (std::optional<int> code = launcher::runCacheAssemblyIfAsked()) return *code;
    // The Linux launcher installs the vendor's pinned runtime without asking.
    launcher::setRuntimeInstaller(&launcher::installOnTerminal);
    // The vendor's runtime feed, looked at once main has been called.
    launcher::setRuntimeFeedWorker(&launcher::runFeedWork);
    return launcher::runLaunch();
}
