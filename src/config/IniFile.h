#pragma once
// One INI file on disk, read and written with the private-profile rules:
// case-insensitive section and key names, values trimmed and unquoted,
// missing entries empty, writes creating file, section and key as needed.

#include "config/IniSource.h"

#include <memory>

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

    // Convenience for callers that only read; traced as a setting of this
    // file.
    std::u16string read(std::u16string_view section, std::u16string_view key);

private:
    // The platform's reader may keep the decoded file here between reads, as
    // long as the file on disk is unchanged.
    struct Snapshot;
    const Snapshot* currentSnapshot();

    std::u16string path_;
    std::shared_ptr<Snapshot> snapshot_;
};

} // namespace launcher
