#pragma once
// Edits of the application's INI file that keep every other line as written.

#include <string>
#include <string_view>

namespace launcher::pack {

// The INI text with key=value in the section: an existing entry (names
// compared without regard to ASCII case, blanks around them ignored) is
// replaced in place, otherwise the entry is added at the section's start, or
// the section is added at the end. New lines follow the text's line ends.
std::string setIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value);

// The INI text without any entry of key in any section of that name (names
// compared as above); every other line stays as written.
std::string removeIniValue(std::string_view ini, std::string_view section, std::string_view key);

} // namespace launcher::pack
