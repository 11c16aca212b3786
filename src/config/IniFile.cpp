#include "config/IniFile.h"
#include "config/SettingTrace.h"

namespace launcher {

std::u16string IniFile::read(std::u16string_view section, std::u16string_view key) {
    std::u16string value;
    IniFile::getString(section, key, value);
    traceSetting(section, key, value, value.empty() ? SettingSource::Unset : SettingSource::File, path_);
    return value;
}

} // namespace launcher
