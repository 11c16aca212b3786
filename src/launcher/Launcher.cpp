#include "launcher/Launcher.h"
#include "base/BackgroundWork.h"
#include "base/ConsoleVariant.h"
#include "base/Trace.h"
#include "config/UserSourcePolicy.h"
#include "jvm/SecondaryMain.h"
#include "jvm/VmHooks.h"
#include "launcher/LaunchTrace.h"

// The launch's two phases and its end: init settles the settings, the
// hand-over and the single-instance role, and prepares a primary; run starts
// the application here or wherever it runs; the end waits for the Java
// program and lets go of what the launch holds.

namespace launcher {

namespace {
Launcher* currentLauncher = nullptr;

bool stopped(std::u16string_view cause) {
    traceExit(-1, cause);
    return false;
}
} // namespace

int runLaunch() {
    int exitCode;
    {
        Launcher app;
        Launcher::setCurrent(&app);
        exitCode = app.init() ? app.run() : -1;
        Launcher::setCurrent(nullptr);
    }
    // Once the program has ended: a look at the runtime feed still running
    // holds up the end by a second at most.
    endBackgroundWork(exitCode);
    return exitCode;
}

Launcher* Launcher::current() { return currentLauncher; }
void Launcher::setCurrent(Launcher* launcher) { currentLauncher = launcher; }

bool Launcher::init() {
    trace::enableFromEnvironment({!processUserSourcePolicy().traceToFile, messagesGoToStandardError()});
    readCommandLine();
    if (!readSettings()) return stopped(u"the configuration cannot be used (message shown)");
    // Before the slot and the search: the sibling takes its own slot, and
    // later launches must not wait on this one.
    if (handsOverToSibling()) return true;
    if (!checkSingleInstance()) return stopped(u"the running start did not take the arguments");
    // The arguments went to the running instance: nothing else to prepare.
    if (instance_.role() == InstanceRole::Secondary) return true;
    return preparePrimary();
}

bool Launcher::preparePrimary() {
    if (settings_.overrideWorkingDirectory) applyWorkingDirectory();
    return chooseRuntime() || stopped(u"no runtime was found and the user chose none");
}

Launcher::~Launcher() {
    stopSplashThread();
    // Waits for the Java program's remaining non-daemon threads: a windowed
    // application lives on here after main has returned, and the launches
    // forwarded to it meanwhile are served.
    const bool ran = jvm_.vm() != nullptr;
    jvm_.destroyVm();
    // Before the slower end work: from here on a new launch becomes the
    // primary itself, and one that arrived too late to be served is told
    // so and settles its role anew instead of taking this exit code.
    instance_.stop();
    if (ran) runVmEndWork();
    splashClose_.run();
}

int Launcher::run() {
    if (std::optional<int> code = runElsewhere()) return *code;
    if (instance_.role() == InstanceRole::Secondary) {
        if (std::optional<int> code = runSecondary()) return *code;
        // Not served by the running start, which was ending: this launch
        // runs the application itself, on the runtime it has just chosen.
        if (std::optional<int> code = runElsewhere()) return *code;
    }
    int code = runNormal();
    instance_.setExitCode(code);
    return code;
}

bool Launcher::checkSingleInstance() {
    std::u16string module;
    if (!getModulePath(module)) return false;
    if (settings_.serviceMode || !settings_.singleInstance) {
        traceRole(InstanceRole::Off);
        return true;
    }
    const bool keepAttached = settings_.runtime.vendors.ibmSearched && settings_.runtime.vendors.ibmPreferred;
    // Everything a worker reads is its own copy or shared with it: a worker
    // may still run when this launch object is gone (the primary's end
    // waits for workers only for a while).
    auto serve = [vm = jvm_.sharedVm(), mainClass = settings_.mainClass, keepAttached](
                     const TextList& arguments, const ForwardReply& reply, const ForwardEnter& enter) {
        return runSecondaryMain(SecondaryCall{vm->load(), mainClass, arguments, keepAttached}, reply, enter);
    };
    bool started = instance_.start(module, arguments_, serve);
    traceRole(instance_.role());
    return started;
}

} // namespace launcher
