#include "config/LayeredIniFile.h"

namespace launcher {

void LayeredIniFile::getString(std::u16string_view section, std::u16string_view key, std::u16string& value) {
    std::u16string result;
    IniSectionMap::getString(section, key, result);

    std::u16string fileValue;
    IniFile::getString(section, key, fileValue);
    if (!fileValue.empty()) {
        value = std::move(fileValue);
        return;
    }

    std::u16string extendingSection(section);
    extendingSection.push_back(u'+');
    std::u16string extension;
    IniFile::getString(extendingSection, key, extension);
    if (!extension.empty()) {
        if (extension.front() != u' ') result.push_back(u' ');
        result.append(extension);
    }
    value = std::move(result);
}

} // namespace launcher
