#pragma once
// INI files for the file-backed configuration tests. Each lives in a folder
// of its own: the platform's profile functions cache files by name, so a
// name reused between tests could read stale content.

#include "support/TestSupport.h"

#include <filesystem>
#include <string>

namespace launcher::test {

class TempIniFile {
public:
    TempIniFile() = default; // the path only; no file
    explicit TempIniFile(std::string_view bytes) { writeBytes(path_, bytes); }

    const std::filesystem::path& path() const { return path_; }
    const std::filesystem::path& folder() const { return folder_.path(); }
    std::u16string text() const { return path_.u16string(); }
    std::string bytes() const { return readBytes(path_); }

private:
    TempFolder folder_;
    std::filesystem::path path_ = folder_.path() / "tool.ini";
};

// UTF-16LE bytes with the byte-order mark, as an editor saves "Unicode".
inline std::string utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

} // namespace launcher::test
