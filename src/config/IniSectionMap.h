#pragma once
// An INI configuration held in memory: ordered sections of ordered entries,
// duplicates allowed at both levels, lookups exact and first match wins.

#include "config/IniSource.h"

namespace launcher {

class IniSectionMap : public IniSource {
public:
    struct Entry {
        std::u16string key;
        std::u16string value;
    };
    struct Section {
        std::u16string name;
        std::vector<Entry> entries;
    };

    uint32_t readHeader(uint32_t& header) override;
    void getString(std::u16string_view section, std::u16string_view key, std::u16string& value) override;
    void getSectionNames(TextList& names) override;
    bool writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) override;
    bool deleteFile() override;

    // Replaces the content with the sections and entries of an INI text
    // whose lines end in CR LF.
    void loadFromText(std::u16string_view text);

    const std::vector<Section>& sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

} // namespace launcher
