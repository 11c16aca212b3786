#include "config/ConfigPaths.h"
#include "base/Environment.h"
#include "base/XdgFolders.h"

namespace launcher {

size_t maxIniPathLength() { return 0; }

// The Linux home of per-user settings, as the XDG base directories define it.
std::u16string getAppDataFolder() {
    return xdgBaseFolder(getEnvironmentVariable(u"XDG_CONFIG_HOME"), getEnvironmentVariable(u"HOME"), u"/.config");
}

std::u16string getLocalDataFolder() {
    return xdgBaseFolder(getEnvironmentVariable(u"XDG_DATA_HOME"), getEnvironmentVariable(u"HOME"), u"/.local/share");
}

} // namespace launcher
