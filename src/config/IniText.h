#pragma once
// The private-profile rules over INI text, for the platform that has no
// private-profile functions. Pure functions over the file's text; the file
// side (reading, decoding, writing) is in IniFile.posix.cpp.

#include "base/Text.h"

#include <optional>

namespace launcher {

// Decodes an INI file's bytes: UTF-16 with its byte-order mark, or UTF-8
// (with or without a byte-order mark). Invalid sequences become U+FFFD.
std::u16string decodeIniBytes(std::string_view bytes);

// The value of key in section: names compared without regard to case, the
// first matching section and key win, the value is the text after the first
// "=" with surrounding blanks removed and one pair of matching quotes taken
// off. No value when the section or key is missing.
std::optional<std::u16string> findIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key);

// Every section name in file order.
TextList listIniSections(std::u16string_view text);

// The text with key set to value in section: the first matching entry is
// replaced, or the entry is added at the end of the first matching section,
// or a new section is appended. Line ends follow the text (CR LF when new).
std::u16string setIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key, std::u16string_view value);

} // namespace launcher
