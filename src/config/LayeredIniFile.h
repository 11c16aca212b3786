#pragma once
// The launcher INI over the embedded configuration. A non-empty file value
// replaces the embedded one; a value in the section of the same name with
// "+" appended extends it.

#include "config/IniFile.h"
#include "config/IniSectionMap.h"

namespace launcher {

class LayeredIniFile : public IniFile, public IniSectionMap {
public:
    explicit LayeredIniFile(std::u16string path) : IniFile(std::move(path)) {}

    void getString(std::u16string_view section, std::u16string_view key, std::u16string& value) override;

    IniSectionMap& overlay() { return *this; }

    std::u16string read(std::u16string_view section, std::u16string_view key) {
        std::u16string value;
        getString(section, key, value);
        return value;
    }
};

} // namespace launcher
