#pragma once
// The one launch object: it owns all launch state for the life of the
// process and runs the two phases, init and run.

#include "base/Messages.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "config/LaunchSettings.h"
#include "config/UserSourcePolicy.h"
#include "instance/SingleInstance.h"
#include "jre/JreLocator.h"
#include "ui/InstallOffer.h"
#include "jvm/JvmHost.h"
#include "launcher/Arm64HandOver.h"
#include "splash/SplashCloseAction.h"
#include "update/RuntimeUse.h"
#include "splash/SplashThread.h"
#include "vmopts/RedirectNames.h"
#include "vmopts/StartupCache.h"
#include "vmopts/VmOptionList.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace launcher {

class Launcher;

// The whole launch of this process: the launch object, current for the
// VM's hooks, through init and run to its end, then the end of any
// background work. The process exit code.
int runLaunch();

// While the VM is created on a runtime of the feed that has not started a
// program before: an exit() inside the creation goes back to the runtime
// it replaced (Launcher::fallBackFromFeedEntry) instead of ending the start.
class FeedFallbackAtExit {
public:
    explicit FeedFallbackAtExit(Launcher* launcher);
    ~FeedFallbackAtExit() { disarm(); }
    FeedFallbackAtExit(const FeedFallbackAtExit&) = delete;
    FeedFallbackAtExit& operator=(const FeedFallbackAtExit&) = delete;
    void disarm();

private:
    static void atExit();
};

class Launcher {
public:
    Launcher() = default;
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // True when run follows.
    bool init();
    // The process exit code.
    int run();

    // The launcher's own executable path; shows the module-path message and
    // returns false when it cannot be read.
    bool getModulePath(std::u16string& path);
    bool getIniPath(std::u16string& path);
    bool getPairIniPath(std::u16string& path) const;
    std::u16string getUserIniPath(bool createFolders);
    std::u16string getPairUserIniPath() const;
    std::u16string getEmbeddedSettingsText() const;

    void readCommandLine();
    bool readSettings();
    // Makes the executable's folder the current directory.
    void applyWorkingDirectory();
    // Chooses the runtime: jvmPath and pairRelaunch; false when none was
    // found and the user did not pick one.
    bool chooseRuntime();
    // Sets the runtime's variables and search path; appends the library
    // path option.
    void prepareEnvironment();
    // Fills the option list from the configuration; appends the "Cmd"
    // arguments. False when there is no class path (message shown).
    bool buildVmOptions();
    // Body of the VM thread: create the VM, call main.
    MainOutcome vmThreadMain();
    // Shows the configured splash (the runtime's native one or the
    // launcher's own window); false only when there is no INI path.
    bool startSplash();
    // Ends the launcher's own splash window and its thread; safe to call
    // again and from the VM thread.
    void stopSplashThread();

    // The owner of every message box: the splash window while one exists.
    WindowHandle messageOwner() const { return messageOwner_; }

    const LaunchSettings& settings() const { return settings_; }
    const TextList& arguments() const { return arguments_; }
    const std::u16string& jvmPath() const { return jvmPath_; }
    bool pairRelaunch() const { return pairRelaunch_; }

    // The launcher the VM's hooks reach.
    static Launcher* current();
    static void setCurrent(Launcher* launcher);

private:
    // What a primary prepares once its role is settled: the working
    // directory and the runtime; false when no runtime was found.
    bool preparePrimary();
    // A secondary's exit code: the running start's answer; or none when
    // this launch, not served there, has become the primary itself.
    std::optional<int> runSecondary();
    int runNormal();
    // The exit code when another launcher runs this launch: the paired
    // 32-bit one, the ARM64 sibling or, from the sibling, the x64 launcher.
    std::optional<int> runElsewhere();
    // Hands the launch to the paired launcher; -1 when it cannot be started.
    int runPair();
    // Starts the launcher at path with this command line; its exit code
    // with wait. what names it in the trace and the message.
    int runOtherLauncher(const std::u16string& path, std::u16string_view what, bool wait);
    // The x64 launcher on an ARM64 computer: true when the launch goes to
    // the ARM64 sibling, before the slot and the search.
    bool handsOverToSibling();
    // The sibling that found no runtime: true when it hands back to the x64
    // launcher that handed over.
    bool handsBackToX64();
    int runHandOver();
    // Settles this launch's single-instance role; false when a later
    // launch could not hand its arguments over.
    bool checkSingleInstance();
    void traceRuntimeChoice() const;
    // Takes the search's choice; false when it found none or one this
    // launcher cannot load (message shown, choiceTooWide_).
    bool useRuntimeChoice(const RuntimeChoice& choice);
    // The runtime-not-found dialog, offering the pinned runtime when offer
    // is set; false when the user chose nothing.
    bool askForRuntimeChoice(const RuntimeSearch& search, const InstallOffer& offer);
    // A service's output file whose path others could turn elsewhere is
    // not used: cleared, with the reason in the trace and on standard error.
    void refuseUnsafeRedirect(std::u16string_view stream, std::u16string& file);
    // The class-data cache's options for the class path and the
    // application's own options; none when "Startup Cache" is off or the
    // cache cannot be used.
    TextList startupCacheOptions(std::u16string_view classPath, const TextList& parameters);
    // When the Java program has ended: puts the recorded configuration in
    // place and starts the background assembly of the cache.
    void finishStartupCache();
    // Creates the VM once more without the cache's options, after the
    // runtime refused them.
    bool createVmWithoutCache(const std::function<RedirectFiles()>& redirectFiles, bool reportFailure);
    // The chosen runtime's major version: the registry's, else its release
    // file's; 0 when neither tells.
    int32_t runtimeFeatureRelease() const;
    // The folder the search takes in the pinned runtime's place: the
    // feed's newest runtime that may be used, else the pinned folder.
    std::u16string feedOrPinnedFolder(const std::u16string& pinnedFolder);
    // The launch runs on a runtime of the feed that has not started a
    // program before: a failure to start goes back to the one it replaced.
    bool onUntriedFeedEntry() const;
    // The search took the runtime from the feed entry's folder.
    bool runsOnFeedEntry() const;
    // Once main is called: the feed's work on a background thread.
    void startFeedWork();
    // When the VM or the main class failed on an untried runtime of the
    // feed: marks it bad and starts the launch again, ending the process
    // with that start's code. Returns only when that cannot be done.
    void fallBackFromFeedEntry();
    friend class FeedFallbackAtExit;

    LaunchSettings settings_;
    // What of the user's own may be trusted: less in an elevated start.
    UserSourcePolicy userSources_;
    TextList arguments_;
    // Written by the splash thread, read by every thread that shows a message.
    MessageOwner messageOwner_{nullptr};
    std::u16string modulePath_; // cached once read
    std::u16string jvmPath_;    // the chosen runtime library; empty: none
    bool pairRelaunch_ = false; // the chosen runtime needs the paired launcher
    HandOverStep handOver_ = HandOverStep::Search; // ToSibling, BackToX64: another launcher runs it
    HandOverMark handOverMark_ = HandOverMark::None; // how this start came, read from the environment
    std::u16string arm64Sibling_;                  // with ToSibling
    std::u16string x64Launcher_;                   // with BackToX64
    bool choiceTooWide_ = false; // the search's choice is a library this launcher cannot load
    VersionNumber jvmVersion_;  // as the registry gave it; no groups otherwise
    JvmHost jvm_;
    VmOptionList options_;
    CacheDecision cacheDecision_;
    std::u16string cacheClassPath_; // as the runtime got it
    TextList cacheAssemblyOptions_; // the application's options the assembly needs
    TextList cacheOptions_;         // as given to the runtime
    RedirectSettings redirect_;
    uint64_t vmStackSize_ = 0; // bytes; 0 until "-Xss" or the runtime's default sets it
    SingleInstanceGuard instance_;
    // Splash: read by startSplash before the splash thread starts.
    std::u16string splashImagePath_;
    std::u16string splashShadowText_;
    SplashThread splash_;
    SplashCloseAction splashClose_; // the runtime's SplashClose once its splash shows
    // The runtime feed: the pinned runtime's folder, and the entry taken in
    // its place (SHA-256, version, whether it started a program before).
    std::u16string pinFolder_;
    std::u16string feedEntry_;
    std::u16string feedEntryVersion_;
    bool feedEntryProven_ = false;
    RuntimeUseLock feedUse_; // held while the process runs on the entry
};

} // namespace launcher
