#include "config/ConfigPaths.h"
#include "base/Environment.h"

namespace launcher {

std::u16string getAppDataFolder() {
    return getEnvironmentVariable(u"APPDATA").value_or(std::u16string());
}

} // namespace launcher
