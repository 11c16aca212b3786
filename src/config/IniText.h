#pragma once
// The private-profile rules over INI text, for the platform that has no
// private-profile functions. Pure functions over the file's bytes and text;
// the file side (reading, atomic replacement) is in IniFile.posix.cpp.
//
// Reading: section and key names are compared without regard to case and
// without their surrounding blanks; the first matching section and, in it,
// the first matching key win. A line is a header when its first non-blank
// character is "[" and a "]" follows; the name is the text up to the line's
// last "]".
// An entry is a line with "="; the value is the text after the first "="
// without surrounding blanks, and one pair of matching single or double
// quotes around it is taken off. Any other line that is not blank (a "["
// line without "]" included) is a key with an empty value. Lines whose
// first non-blank character is ";" are comments. Entries before the first
// header belong to the section with the empty name.

#include "base/Text.h"

#include <optional>
#include <vector>

namespace launcher {

enum class IniEncoding { Utf8, Utf8WithBom, Utf16Le };

// UTF-16 when the file starts with its little-endian byte-order mark, else
// UTF-8 (with or without a byte-order mark).
IniEncoding detectIniEncoding(std::string_view bytes);

// Decodes an INI file's bytes. Invalid UTF-8 becomes U+FFFD, except the
// three-byte form of a lone surrogate, which the writer uses for one; an odd
// last byte of a UTF-16 file is dropped.
std::u16string decodeIniBytes(std::string_view bytes);

std::optional<std::u16string> findIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key);

// The value as the profile functions give it: empty when the section or key
// is missing, and ending at a NUL.
std::u16string readIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key);

// The entries of one text, parsed once for many lookups, found by the same
// rules as findIniValue. Holds views into the text, which must outlive it.
class IniIndex {
public:
    IniIndex() : sections_(1) {}
    explicit IniIndex(std::u16string_view text);

    std::optional<std::u16string_view> find(std::u16string_view section, std::u16string_view key) const;

private:
    struct Entry {
        std::u16string_view name;
        std::u16string_view value;
    };
    // Entries [first, end) of entries_; the first section holds the entries
    // before the first header and has no name.
    struct Section {
        std::u16string_view name;
        size_t first = 0;
        size_t end = 0;
    };

    std::optional<std::u16string_view> findIn(const Section& section, std::u16string_view key) const;

    std::vector<Entry> entries_;
    std::vector<Section> sections_;
};

// readIniValue over an index of the text.
std::u16string readIniValue(const IniIndex& index, std::u16string_view section, std::u16string_view key);

// Every section name in file order, duplicates included.
TextList listIniSections(std::u16string_view text);

// The file's bytes with key set to value in section. Only the one entry
// changes; every other line keeps its bytes. The first matching entry gets
// the new value, else the entry is added after the last non-blank line of
// the first matching section, else a new section is appended. The file keeps
// its encoding and its line breaks; a file without any gets "\n".
//
// No result when the entry cannot be written so that it reads back as given:
// a line break or NUL anywhere, an empty key, a key with "=" or one starting
// with "[" or ";", an empty section name or one with "]", or a UTF-16 file
// of odd length. Every result is read back before it is given, and refused
// if it differs. A value with surrounding blanks, or one enclosed in
// matching quotes, is written in double quotes so that it reads back whole.
std::optional<std::string> setIniValue(std::string_view bytes, std::u16string_view section, std::u16string_view key, std::u16string_view value);

} // namespace launcher
