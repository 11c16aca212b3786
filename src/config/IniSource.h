#pragma once
// The configuration sources: an INI file on disk, an in-memory section map
// (the embedded configuration) and the layered reader that puts the file
// over the embedded text and extends values from the "+" sections.

#include "base/Text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace launcher {

class IniSource {
public:
    virtual ~IniSource() = default;
    // Reads the first bytes of the source (up to 4) into header; returns 0
    // or the platform error code of the step that failed.
    virtual uint32_t readHeader(uint32_t& header) = 0;
    // Missing file, section or key: the value reads as empty (for a file) or
    // is left as it was (for the section map).
    virtual void getString(std::u16string_view section, std::u16string_view key, std::u16string& value) = 0;
    virtual void getSectionNames(TextList& names) = 0;
    virtual bool writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) = 0;
    virtual bool deleteFile() = 0;
};

} // namespace launcher
