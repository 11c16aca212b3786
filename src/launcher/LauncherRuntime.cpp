// The runtime the launch uses: the search's choice, the vendor's pinned
// runtime installed when the search found none, or the user's pick.

#include "base/Messages.h"
#include "base/PathText.h"
#include "base/Trace.h"
#include "config/ConfigPaths.h"
#include "config/RuntimeChoiceWriter.h"
#include "jre/JvmLibrary.h"
#include "jre/NotFoundMessage.h"
#include "launcher/Launcher.h"
#include "launcher/PairRelaunch.h"
#include "launcher/RuntimeInstallHook.h"
#include "ui/RuntimePrompt.h"

namespace launcher {

bool Launcher::chooseRuntime() {
    RuntimeSearch search;
    search.criteria = settings_.runtime;
    search.configuredFolder = settings_.jrePath;
    if (settings_.runtimeDownload.configured()) {
        pinFolder_ = runtimeInstallFolder(settings_.productName, settings_.productCode, settings_.runtimeDownload.sha256);
        search.pinnedFolder = feedOrPinnedFolder(pinFolder_);
    }
    search.hasPair = !settings_.pairProduct.empty();
    std::u16string module;
    if (getModulePath(module)) search.launcherFolder = withTrailingSeparator(folderOf(module));
    RuntimeChoice choice = locateRuntime(search);
    // Before any install or question: the x64 launcher that handed over
    // searches next.
    if (choice.jvmPath.empty() && handsBackToX64()) return true;
    PinnedInstallRoute route = PinnedInstallRoute::None;
    if (choice.jvmPath.empty()) {
        // An install is always the pinned runtime's, into its own folder.
        search.pinnedFolder = pinFolder_;
        route = pinnedInstallRoute(settings_.runtimeDownload, search.pinnedFolder,
                                   search.criteria.includeUserSources ? std::u16string() : userSources_.reason,
                                   settings_.serviceMode);
    }
    if (route == PinnedInstallRoute::Automatic &&
        installPinnedRuntime(settings_.runtimeDownload, search.pinnedFolder, settings_.productName)) {
        choice = locateRuntime(search);
    }
    if (useRuntimeChoice(choice)) return true;
    if (choiceTooWide_) return false;
    return askForRuntimeChoice(search, route == PinnedInstallRoute::Offered
                                           ? pinnedInstallOffer(settings_.runtimeDownload, search.pinnedFolder,
                                                                settings_.productName)
                                           : InstallOffer{});
}

bool Launcher::useRuntimeChoice(const RuntimeChoice& choice) {
    jvmPath_ = choice.jvmPath;
    pairRelaunch_ = choice.pairRelaunch;
    jvmVersion_ = choice.version;
    choiceTooWide_ = choice.tooWide;
    if (choice.tooWide) {
        if (trace::on()) trace::line(u"the chosen runtime is a 64-bit library, which this 32-bit launcher cannot load");
        showFormattedError(messageOwner_, MessageId::RuntimeTooWide, jvmPath_);
        return false;
    }
    if (jvmPath_.empty()) return false;
    traceRuntimeChoice();
    return true;
}

bool Launcher::askForRuntimeChoice(const RuntimeSearch& search, const InstallOffer& offer) {
    if (trace::on()) trace::line(u"no runtime fits: asking the user");
    const std::u16string message =
        runtimeNotFoundMessage(settings_.runtime.jvmType, settings_.runtime.minimumVersion, settings_.runtime.maximumVersion);
    RuntimeAnswer answer = askForRuntime(message, settings_.runtime.jvmType, search.hasPair, offer);
    if (answer.installed) {
        // The pinned folder is a search source: the search finds what was
        // installed and the start goes on without another click.
        if (trace::on()) trace::line(u"the pinned runtime was installed from the dialog: searching again");
        if (useRuntimeChoice(locateRuntime(search))) return true;
        if (choiceTooWide_) return false;
        // Installed, yet not what the search takes: asking once more, as
        // for any start that found nothing.
        answer = askForRuntime(message, settings_.runtime.jvmType, search.hasPair);
    }
    if (!answer.confirmed) return false;
    jvmPath_ = answer.jvmPath;
    pairRelaunch_ = needsPairRelaunch(search.hasPair, jvmPath_);
    if (trace::on()) trace::say({u"the user chose the runtime folder ", answer.folder});
    traceRuntimeChoice();
    // Remembered so that the next start finds it without asking; an
    // elevated start uses it this once, since its per-user INI is not read.
    if (!userSources_.rememberChoice) {
        if (trace::on()) trace::say({u"the chosen runtime folder is not remembered: ", userSources_.reason});
        return true;
    }
    std::u16string module;
    std::u16string iniPath;
    if (getModulePath(module) && getIniPath(iniPath)) writeRuntimeChoice(settings_, module, iniPath, answer.folder);
    return true;
}

void Launcher::traceRuntimeChoice() const {
    if (!trace::on()) return;
    trace::say({u"runtime library: ", jvmPath_});
    if (pairRelaunch_) trace::line(u"the runtime is 32-bit: the paired launcher (\"Pair Product\") starts it");
}

} // namespace launcher
