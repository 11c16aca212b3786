#include "config/LayeredIniFile.h"
#include "config/SettingTrace.h"

#include <algorithm>

namespace launcher {

bool LayeredIniFile::mayExtend() {
    if (!extends_) {
        TextList names;
        IniFile::getSectionNames(names);
        extends_ = std::any_of(names.begin(), names.end(),
                               [](const std::u16string& name) { return name.find(u'+') != std::u16string::npos; });
    }
    return *extends_;
}

void LayeredIniFile::getString(std::u16string_view section, std::u16string_view key, std::u16string& value) {
    std::u16string result;
    IniSectionMap::getString(section, key, result);

    std::u16string fileValue;
    IniFile::getString(section, key, fileValue);
    if (!fileValue.empty()) {
        traceSetting(section, key, fileValue, SettingSource::File, path());
        value = std::move(fileValue);
        return;
    }

    std::u16string extension;
    if (mayExtend()) {
        std::u16string extendingSection(section);
        extendingSection.push_back(u'+');
        IniFile::getString(extendingSection, key, extension);
    }
    if (!extension.empty()) {
        if (extension.front() != u' ') result.push_back(u' ');
        result.append(extension);
        traceSetting(section, key, result, SettingSource::Extended, path());
    } else {
        traceSetting(section, key, result, result.empty() ? SettingSource::Unset : SettingSource::Embedded, path());
    }
    value = std::move(result);
}

} // namespace launcher
