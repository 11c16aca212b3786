#pragma once
// The launcher INI over the embedded configuration. A non-empty file value
// replaces the embedded one; a value in the section of the same name with
// "+" appended extends it.

#include "config/IniFile.h"
#include "config/IniSectionMap.h"

#include <optional>

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

private:
    // Most files extend nothing; knowing that saves a second file lookup
    // for every key the file leaves unset. Learnt at the first such key and
    // kept for the reader's life (one step of the start): a "+" section
    // added to the file later is seen by the next reader.
    bool mayExtend();

    std::optional<bool> extends_;
};

} // namespace launcher
