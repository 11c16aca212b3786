#include "launcher/Launcher.h"
#include "base/Messages.h"
#include "base/ModulePath.h"
#include "config/ConfigPaths.h"
#include "config/EmbeddedSettings.h"

// Where the launcher's own files are: its executable, its INI files and
// those of its paired launcher, and the settings embedded in it.

namespace launcher {

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

} // namespace launcher
