// Entry point of the console variant of the Windows launcher, for
// command-line Java programs: the program's standard streams are the
// console's, and every message is a line on standard error.
//
// No console control handler is installed here: the Java runtime installs
// its own, so that Ctrl+C ends the program through its normal shutdown and
// the program's shutdown hooks run.
//
// A plain main(), as in the GUI launcher (see Main.win32.cpp): the command
// line comes from the system, not from the C runtime's narrow arguments.

#include "base/ConsoleVariant.h"
#include "base/LibrarySearch.h"
#include "launcher/CacheAssembly.h"
#include "launcher/Launcher.h"
#include "launcher/ProcessSetup.h"
#include "launcher/RuntimeFeedHook.h"
#include "launcher/RuntimeInstallHook.h"
#include "launcher/UserEnvironment.h"
#include "ui/TerminalInstall.h"

int main() {
    // Before anything can load a library: no DLL is ever looked for in the
    // executable's folder, the current folder or the search path.
    launcher::restrictLibrarySearch();
    launcher::useConsoleVariant();
    launcher::useSystemDefaultLocale();
    // Before any variable is read: an elevated process's environment is the
    // user's to write.
    launcher::settleUserSources();
    // A background step of the start-up cache, started by an earlier start;
    // refused by an elevated process.
    if (std::optional<int> code = launcher::runCacheAssemblyIfAsked()) return *code;
    // A command-line program opens no window: as the Linux launcher, it
    // installs the vendor's pinned runtime without asking, its progress
    // on the console's standard error.
    launcher::setRuntimeInstaller(&launcher::installOnTerminal);
    // The vendor's runtime feed, looked at once main has been called.
    launcher::setRuntimeFeedWorker(&launcher::runFeedWork);
    return launcher::runLaunch();
}
