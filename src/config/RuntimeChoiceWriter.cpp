#include "config/RuntimeChoiceWriter.h"
#include "config/ConfigPaths.h"
#include "config/IniFile.h"
#include "config/SettingsReader.h"

namespace launcher {

namespace {

void writeJrePath(std::u16string_view iniPath, std::u16string_view folder) {
    IniFile(std::u16string(iniPath)).writeString(kJreSection, kJrePathKey, folder);
}

} // namespace

void writeRuntimeChoice(const LaunchSettings& settings, std::u16string_view modulePath, std::u16string_view iniPath,
                        std::u16string_view folder) {
    const bool paired = !settings.pairProduct.empty();
    if (settings.serviceMode) {
        writeJrePath(iniPath, folder);
        if (paired) {
            if (std::optional<std::u16string> pairIni = iniPathForExecutable(settings.pairProduct)) {
                writeJrePath(*pairIni, folder);
            }
        }
        return;
    }
    writeJrePath(buildUserIniPath(modulePath, settings.productName, settings.productCode, true), folder);
    if (paired) {
        writeJrePath(buildUserIniPath(settings.pairProduct, settings.productName, settings.productCode, true), folder);
    }
}

} // namespace launcher
