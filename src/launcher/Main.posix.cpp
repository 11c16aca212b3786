// Entry point of the Linux launcher.

#include "install/TerminalInstall.h"
#include "launcher/CacheAssembly.h"
#include "launcher/Launcher.h"
#include "launcher/ProcessSetup.h"
#include "launcher/RuntimeInstallHook.h"

int main() {
    launcher::useSystemDefaultLocale();
    // A background step of the start-up cache, started by an earlier start;
    // refused by an elevated process, whose environment the user can write.
    if (std::optional<int> code = launcher::runCacheAssemblyIfAsked(launcher::processUserSourcePolicy())) {
        return *code;
    }
    // The Linux launcher installs the vendor's pinned runtime without asking.
    launcher::setRuntimeInstaller(&launcher::installOnTerminal);
    launcher::Launcher app;
    launcher::Launcher::setCurrent(&app);
    int exitCode = app.init() ? app.run() : -1;
    launcher::Launcher::setCurrent(nullptr);
    return exitCode;
}
