#include "launcher/Launcher.h"
#include "base/Messages.h"
#include "base/ModulePath.h"
#include "config/CommandLine.h"
#include "config/ConfigPaths.h"
#include "config/EmbeddedSettings.h"
#include "config/SettingsReader.h"
#include "base/CurrentDirectory.h"
#include "base/PathText.h"
#include "jre/JreLocator.h"
#include "jre/NotFoundMessage.h"
#include "launcher/PairRelaunch.h"

namespace launcher {

namespace {
Launcher* currentLauncher = nullptr;
} // namespace

Launcher* Launcher::current() { return currentLauncher; }
void Launcher::setCurrent(Launcher* launcher) { currentLauncher = launcher; }

bool Launcher::init() {
    readCommandLine();
    if (!readSettings()) return false;
    if (settings_.overrideWorkingDirectory) applyWorkingDirectory();
    return chooseRuntime();
}

int Launcher::run() {
    if (pairRelaunch_) return relaunchPair(settings_.pairProduct, settings_.waitForPair);
    // Starting the virtual machine comes next; until it exists there is
    // nothing to run.
    return -1;
}

void Launcher::applyWorkingDirectory() {
    std::u16string module;
    if (!getModulePath(module)) return;
    size_t cut = module.rfind(kPathSeparator);
    if (cut == std::u16string::npos || cut == 0) return;
    setCurrentDirectory(std::u16string_view(module).substr(0, cut));
}

bool Launcher::chooseRuntime() {
    RuntimeSearch search;
    search.criteria = settings_.runtime;
    search.configuredFolder = settings_.jrePath;
    search.hasPair = !settings_.pairProduct.empty();
    std::u16string module;
    if (getModulePath(module)) search.launcherFolder = withTrailingSeparator(folderOf(module));
    RuntimeChoice choice = locateRuntime(search);
    jvmPath_ = choice.jvmPath;
    pairRelaunch_ = choice.pairRelaunch;
    if (!jvmPath_.empty()) return true;
    // Nobody can pick a folder yet: the message says what to install, and
    // the launch ends as if the user had cancelled.
    showError(messageOwner_, runtimeNotFoundMessage(settings_.runtime.jvmType, settings_.runtime.minimumVersion, settings_.runtime.maximumVersion));
    return false;
}

bool Launcher::getModulePath(std::u16string& path) {
    if (modulePath_.empty()) {
        uint32_t error = readModulePath(modulePath_);
        if (error != 0) {
            modulePath_.clear();
            showError(messageOwner_, windowsErrorText(MessageId::ModulePathFailed, error));
            return false;
        }
    }
    path = modulePath_;
    return true;
}

bool Launcher::getIniPath(std::u16string& path) {
    std::u16string module;
    if (!getModulePath(module)) return false;
    std::optional<std::u16string> ini = iniPathForExecutable(module);
    if (!ini) return false;
    path = std::move(*ini);
    return true;
}

bool Launcher::getPairIniPath(std::u16string& path) const {
    if (settings_.pairProduct.empty()) return false;
    std::optional<std::u16string> ini = iniPathForExecutable(settings_.pairProduct);
    if (!ini) return false;
    path = std::move(*ini);
    return true;
}

std::u16string Launcher::getUserIniPath(bool createFolders) {
    std::u16string module;
    if (!getModulePath(module)) return {};
    return buildUserIniPath(module, settings_.productName, settings_.productCode, createFolders);
}

std::u16string Launcher::getPairUserIniPath() const {
    if (settings_.pairProduct.empty()) return {};
    return buildUserIniPath(settings_.pairProduct, settings_.productName, settings_.productCode, true);
}

std::u16string Launcher::getEmbeddedSettingsText() const {
    return readEmbeddedSettingsText(settings_.upgradeCode);
}

void Launcher::readCommandLine() {
    arguments_ = readProcessArguments();
}

bool Launcher::readSettings() {
    std::u16string iniPath;
    if (!getIniPath(iniPath)) return false;
    std::u16string module;
    getModulePath(module);
    return readLaunchSettings(iniPath, module, messageOwner_, settings_);
}

} // namespace launcher
