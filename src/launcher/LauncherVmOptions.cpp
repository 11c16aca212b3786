#include "launcher/Launcher.h"
#include "base/Environment.h"
#include "base/LibrarySearch.h"
#include "base/Messages.h"
#include "base/Trace.h"
#include "config/LayeredIniFile.h"
#include "vmopts/LibraryPath.h"
#include "vmopts/MemoryOptions.h"
#include "vmopts/ProcessEnvironment.h"
#include "vmopts/RedirectNames.h"
#include "vmopts/VmOptionsBuilder.h"

// What the runtime is given before it is created: the process's variables
// and library search path, and the VM's options from the configuration.

namespace launcher {

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

} // namespace launcher
