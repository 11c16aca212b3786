#include "launcher/Launcher.h"
#include "base/Trace.h"
#include "config/IniFile.h"
#include "config/SettingsReader.h"
#include "launcher/LaunchTrace.h"
#include "splash/NativeSplash.h"
#include "splash/SplashChoice.h"
#include "splash/SplashThread.h"

// The splash the launch shows while the runtime starts: the runtime's own
// or the launcher's window, and the end of the launcher's window.

namespace launcher {

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

} // namespace launcher
