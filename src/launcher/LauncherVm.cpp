#include "launcher/Launcher.h"
#include "base/ConsoleVariant.h"
#include "base/Platform.h"
#include "base/Trace.h"
#include "jvm/RedirectionCheck.h"
#include "jvm/VmHooks.h"
#include "launcher/LaunchTrace.h"
#include "launcher/VmThread.h"
#include "splash/SplashChoice.h"
#include "vmopts/RedirectNames.h"

#include <optional>

// The application run in this process: the VM created and main called on a
// thread of its own, the service's output files checked, and the exit code
// that the end of main gives.

namespace launcher {

int Launcher::runNormal() {
    prepareEnvironment();
    const bool suppressed = splashSuppressed(arguments_);
    // The console program opens no window of its own, a splash included.
    const bool splash = !isConsoleVariant() && !suppressed;
    if (!splash) traceSplash(SplashKind::None, {}, suppressed);
    if (splash && !startSplash()) {
        traceExit(0, u"the INI path is unknown");
        return 0;
    }
    if (!jvm_.load(jvmPath_, messageOwner_)) {
        traceExit(-1, u"the runtime library cannot be loaded (message shown)");
        return -1;
    }
    // A missing class path has been reported; the VM starts all the same.
    buildVmOptions();
    if (vmStackSize_ == 0) vmStackSize_ = jvm_.defaultStackSize();
    int result = static_cast<int>(MainOutcome::Failed);
    if (!runOnNewThread(vmStackSize_, [this] { return static_cast<int>(vmThreadMain()); }, result)) {
        // No thread to be had: the VM runs on this one, with its stack.
        result = static_cast<int>(vmThreadMain());
    }
    // The code stands once the program's last thread has ended (the
    // destructor waits for that), unless one of them calls System.exit:
    // the runtime then ends the process with that code.
    switch (static_cast<MainOutcome>(result)) {
    case MainOutcome::Returned:
        traceExit(0, u"main returned; the process ends when the Java program's last thread does");
        return 0;
    case MainOutcome::Uncaught:
        // As the runtime's own launcher does: scripts read 0 as success.
        traceExit(1, u"main ended with an uncaught exception that nobody chose to ignore; the process ends when "
                     u"the Java program's last thread does");
        return 1;
    case MainOutcome::Failed:
        break;
    }
    traceExit(-1, u"the runtime could not be created or main could not be called (message shown)");
    splashClose_.run();
    return -1;
}

MainOutcome Launcher::vmThreadMain() {
    auto redirectFiles = [this] {
        stampRedirectNames(redirect_);
        if (settings_.serviceMode) {
            refuseUnsafeRedirect(u"output", redirect_.outputFile);
            refuseUnsafeRedirect(u"error", redirect_.errorFile);
        }
        return RedirectFiles{redirect_.outputFile, redirect_.outputAppend, redirect_.errorFile, redirect_.errorAppend};
    };
    traceVmOptions(options_.entries());
    // A runtime that refuses the cache's options (an early-access build, or
    // one of another kind than its version promises) still runs the
    // application, as without the cache.
    const bool cached = !cacheOptions_.empty();
    // A runtime of the feed that fails here has its failure told by the
    // start that goes back to the runtime it replaced, if by anybody.
    const bool untried = onUntriedFeedEntry();
    // A runtime may also end the process inside the creation: with exit()
    // ("Error occurred during initialization of VM"), or through the exit or
    // abort hook (a missing module image): the fallback comes first then too.
    FeedFallbackAtExit atExit(untried ? this : nullptr);
    if (untried) setCreateEndHandler([](void* self) { static_cast<Launcher*>(self)->fallBackFromFeedEntry(); }, this);
    const bool created = jvm_.createVm(options_.entries(), redirectFiles, messageOwner_, !cached && !untried) ||
                         (cached && createVmWithoutCache(redirectFiles, !untried));
    setCreateEndHandler(nullptr, nullptr);
    if (!created) {
        if (untried) {
            fallBackFromFeedEntry();
            jvm_.reportCreateFailure(messageOwner_);
        }
        return MainOutcome::Failed;
    }
    atExit.disarm();
    MainInvocation invocation;
    invocation.mainClass = settings_.mainClass;
    invocation.arguments = arguments_;
    invocation.failureCheck = settings_.failureCheck;
    invocation.parkAfterMain = settings_.runtime.vendors.ibmSearched && settings_.runtime.vendors.ibmPreferred;
    invocation.mainStarted = [](void* self, bool servesLaunches) {
        auto* launcher = static_cast<Launcher*>(self);
        launcher->instance_.mainStarted(servesLaunches);
        launcher->startFeedWork();
    };
    invocation.mainStartedContext = this;
    if (untried) invocation.mainClassMissing = [this] { fallBackFromFeedEntry(); };
    invocation.beforeAskingUser = [this] { stopSplashThread(); };
    const MainOutcome outcome = jvm_.invokeMain(invocation, messageOwner_);
    if (outcome == MainOutcome::Failed) return outcome;
    if (settings_.serviceMode) jvm_.destroyVm();
    return outcome;
}

void Launcher::refuseUnsafeRedirect(std::u16string_view stream, std::u16string& file) {
    if (file.empty()) return;
    std::optional<RedirectRefusal> refusal = checkServiceRedirect(file);
    if (!refusal) return;
    // A service has nobody to click a message box away: the trace and
    // standard error say it, and the stream stays where it was.
    std::u16string text = u"the " + std::u16string(stream) + u" file " + file + u" is not used: " + refusal->part +
                          u" " + refusal->reason;
    if (trace::on()) trace::say({u"redirection: ", text});
    std::u16string module;
    getModulePath(module);
    writeStandardError(messageLine(programNameOf(module), text) + (kWindows ? u"\r\n" : u"\n"));
    file.clear();
}

} // namespace launcher
