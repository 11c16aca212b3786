// Entry point of the Windows launcher (GUI subsystem, no console).
//
// A plain main(): the C runtime's start-up calls it under either subsystem
// with every toolchain this builds with, whereas wWinMain needs the
// toolchain's Unicode start-up (mingw's -municode), which not all of them
// have. The launcher reads its command line from the system itself.

#include "base/LibrarySearch.h"
#include "launcher/CacheAssembly.h"
#include "launcher/Launcher.h"
#include "launcher/ProcessSetup.h"
#include "launcher/RuntimeFeedHook.h"
#include "launcher/RuntimeInstallHook.h"
#include "launcher/UserEnvironment.h"
#include "ui/TerminalInstall.h"

#include <windows.h>

int main() {
    // Before anything can load a library: no DLL is ever looked for in the
    // executable's folder, the current folder or the search path.
    launcher::restrictLibrarySearch();
    launcher::useSystemDefaultLocale();
    // Before any variable is read: an elevated process's environment is the
    // user's to write.
    launcher::settleUserSources();
    // A background step of the start-up cache, started by an earlier start;
    // refused by an elevated process.
    if (std::optional<int> code = launcher::runCacheAssemblyIfAsked()) return *code;
    // The vendor's pinned runtime is installed from the runtime-not-found
    // dialog, or in a progress window of its own when it is not to be asked.
    launcher::setRuntimeInstallStep(&launcher::installPinnedStep);
    // The vendor's runtime feed, looked at once main has been called.
    launcher::setRuntimeFeedWorker(&launcher::runFeedWork);
    // Lets the system set up the thread's window bookkeeping before any
    // window of ours exists.
    DefWindowProcW(nullptr, WM_NULL, 0, 0);
    return launcher::runLaunch();
}
