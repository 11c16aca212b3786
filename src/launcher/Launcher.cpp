#include "launcher/Launcher.h"
#include "base/ConsoleVariant.h"
#include "base/Format.h"
#include "base/Messages.h"
#include "base/ModulePath.h"
#include "config/CommandLine.h"
#include "config/ConfigPaths.h"
#include "config/EmbeddedSettings.h"
#include "config/SettingsReader.h"
#include "base/CurrentDirectory.h"
#include "base/Environment.h"
#include "base/LibrarySearch.h"
#include "base/PathText.h"
#include "base/SystemError.h"
#include "base/Trace.h"
#include "jre/JreLocator.h"
#include "jre/NotFoundMessage.h"
#include "launcher/RuntimeInstallHook.h"
#include "launcher/CacheAssembly.h"
#include "launcher/LaunchTrace.h"
#include "launcher/PairRelaunch.h"
#include "launcher/UserEnvironment.h"
#include "launcher/VmThread.h"
#include "jvm/RedirectionCheck.h"
#include "jvm/SecondaryMain.h"
#include "jvm/VmHooks.h"
#include "config/LayeredIniFile.h"
#include "vmopts/LibraryPath.h"
#include "vmopts/MemoryOptions.h"
#include "vmopts/ProcessEnvironment.h"
#include "vmopts/StartupCache.h"
#include "vmopts/VmOptionsBuilder.h"
#include "splash/NativeSplash.h"
#include "splash/SplashChoice.h"
#include "config/RuntimeChoiceWriter.h"
#include "config/UserSourcePolicy.h"
#include "ui/RuntimePrompt.h"

#include <algorithm>

namespace launcher {

namespace {
Launcher* currentLauncher = nullptr;

bool stopped(std::u16string_view cause) {
    traceExit(-1, cause);
    return false;
}
} // namespace

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

bool Launcher::startSplash() {
    std::u16string iniPath;
    if (!getIniPath(iniPath)) return false;
    IniFile ini(iniPath);
    splashImagePath_ = ini.read(u"Display", u"Splash Screen");
    splashShadowText_ = ini.read(u"Display", u"Splash Screen Shadow");
    SplashRequest request;
    request.imageConfigured = !splashImagePath_.empty();
    request.preferNative = isYes(ini.read(u"Display", u"Preffer Native Splash Screen"));
    request.ownWindowAvailable = ownSplashWindowAvailable();
    std::u16string library = request.imageConfigured ? findSplashLibrary(jvmPath_) : std::u16string();
    request.libraryFound = !library.empty();
    // A runtime without the library (older or trimmed ones) still starts;
    // the trace tells why the picture is not the runtime's own splash.
    if (trace::on()) {
        const std::u16string missing = nativeSplashMissingText(request, splashLibraryCandidate(jvmPath_));
        if (!missing.empty()) trace::line(missing);
    }
    SplashKind kind = firstSplashChoice(request);
    if (kind == SplashKind::Native) {
        if (startNativeSplash(library, jvmPath_, splashImagePath_, splashClose_)) {
            traceSplash(kind, splashImagePath_, false);
            return true;
        }
        if (trace::on()) trace::say({u"splash: the runtime's splash library failed: ", library});
        kind = fallbackAfterNativeFailure(request);
    }
    traceSplash(kind, splashImagePath_, false);
    // A thread that could not be started counts as never started: there is
    // nothing to stop later.
    if (kind == SplashKind::OwnWindow) splash_.start(splashImagePath_, splashShadowText_, &messageOwner_);
    return true;
}

void Launcher::stopSplashThread() {
    if (!splash_.running()) return;
    splash_.stop();
    // The window is gone with its thread: later message boxes have no owner.
    messageOwner_ = nullptr;
}

void Launcher::prepareEnvironment() {
    std::u16string module;
    getModulePath(module);
    std::u16string libraryPath =
        prepareProcessEnvironment({jvmPath_, settings_.libraryPath, settings_.systemPath, module});
    if (!libraryPath.empty()) options_.append(libraryPathOption(libraryPath));
    // The search path no longer serves the loads by name (see the entry
    // point): what it gave the runtime and the application comes back here,
    // after the runtime variables the settings may refer to are set.
    addLibrarySearchFolders(librarySearchFolders(jvmPath_, settings_.libraryPath, settings_.systemPath,
                                                 launcherFolderOf(module), expandEnvironmentCopy));
}

bool Launcher::buildVmOptions() {
    std::u16string iniPath;
    if (!getIniPath(iniPath)) return false;
    std::u16string module;
    getModulePath(module);
    LayeredIniFile layered(iniPath);
    layered.overlay().loadFromText(getEmbeddedSettingsText());
    // Either side of the layered reader gives the layered values.
    IniSource& ini = static_cast<IniFile&>(layered);
    LeadingOptions cache;
    if (settings_.startupCache && !userSources_.useStartupCache && trace::on()) {
        trace::say({u"startup cache: not used: ", userSources_.reason});
    }
    if (settings_.startupCache && userSources_.useStartupCache) {
        cache = [this](std::u16string_view classPath, const TextList& parameters) {
            return startupCacheOptions(classPath, parameters);
        };
    }
    VmOptionsOutcome outcome =
        launcher::buildVmOptions(readVmOptionSettings(ini), module, readMemoryFigures(), options_, cache);
    if (outcome.classPathMissing) {
        showError(messageOwner_, MessageId::ClassPathMissing);
        return false;
    }
    if (outcome.stackSize > 0) vmStackSize_ = outcome.stackSize;
    addLibrarySearchFolders(outcome.libraryPathFolders);
    traceLibrarySearch();
    redirect_ = readRedirectSettings(ini);
    arguments_.insert(arguments_.end(), outcome.cmdArguments.begin(), outcome.cmdArguments.end());
    return true;
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
    if (!jvm_.createVm(options_.entries(), redirectFiles, messageOwner_, !cached) &&
        !(cached && createVmWithoutCache(redirectFiles))) {
        return MainOutcome::Failed;
    }
    MainInvocation invocation;
    invocation.mainClass = settings_.mainClass;
    invocation.arguments = arguments_;
    invocation.failureCheck = settings_.failureCheck;
    invocation.parkAfterMain = settings_.runtime.vendors.ibmSearched && settings_.runtime.vendors.ibmPreferred;
    invocation.mainStarted = [](void* guard, bool servesLaunches) {
        static_cast<SingleInstanceGuard*>(guard)->mainStarted(servesLaunches);
    };
    invocation.mainStartedContext = &instance_;
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
    return true;
}

} // namespace launcher
