#include "config/ConfigPaths.h"
#include "base/Environment.h"

namespace launcher {

size_t maxIniPathLength() { return 0; }

// The Linux home of per-user settings, as the XDG base directories define it.
std::u16string getAppDataFolder() {
    std::optional<std::u16string> config = getEnvironmentVariable(u"XDG_CONFIG_HOME");
    if (config && !config->empty()) return *config;
    std::optional<std::u16string> home = getEnvironmentVariable(u"HOME");
    if (home && !home->empty()) return *home + u"/.config";
    return {};
}

} // namespace launcher
