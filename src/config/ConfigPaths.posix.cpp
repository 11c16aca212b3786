#include "config/ConfigPaths.h"
#include "base/VariableTable.h"
#include "base/XdgFolders.h"

namespace launcher {

size_t maxIniPathLength() { return 0; }

// The Linux home of per-user settings, as the XDG base directories define it.
std::u16string getAppDataFolder() {
    return xdgBaseFolder(readVariable(u"XDG_CONFIG_HOME").value, readVariable(u"HOME").value, u"/.config");
}

std::u16string getLocalDataFolder() {
    return xdgBaseFolder(readVariable(u"XDG_DATA_HOME").value, readVariable(u"HOME").value, u"/.local/share");
}

} // namespace launcher
