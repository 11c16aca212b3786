#pragma once
// One INI file on disk, read and written with the private-profile rules:
// case-insensitive section and key names, values trimmed and unquoted,
// missing entries empty, writes creating file, section and key as needed.

#include "config/IniSource.h"

namespace launcher {

class IniFile : public IniSource {
public:
    explicit IniFile(std::u16string path) : path_(std::move(path)) {}

    uint32_t readHeader(uint32_t& header) override;
    void getString(std::u16string_view section, std::u16string_view key, std::u16string& value) override;
    void getSectionNames(TextList& names) override;
    bool writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) override;
    bool deleteFile() override;

    const std::u16string& path() const { return path_; }

    // Convenience for callers that only read.
    std::u16string read(std::u16string_view section, std::u16string_view key) {
        std::u16string value;
        IniFile::getString(section, key, value);
        return value;
    }

private:
    std::u16string path_;
};

} // namespace launcher
