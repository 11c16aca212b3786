#include "config/ConfigPaths.h"
#include "base/VariableTable.h"

namespace launcher {

// The profile functions build the file's full name in a MAX_PATH buffer and
// fail for anything longer, without a reason a user could act on.
size_t maxIniPathLength() { return 259; }

std::u16string getAppDataFolder() {
    return readVariable(u"APPDATA").value.value_or(std::u16string());
}

std::u16string getLocalDataFolder() {
    return readVariable(u"LOCALAPPDATA").value.value_or(std::u16string());
}

} // namespace launcher
