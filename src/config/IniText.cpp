#include "config/IniText.h"
#include "config/IniLines.h"

// Reading: the encoding, one value, an index of every entry, the section
// names.

namespace launcher {

IniEncoding detectIniEncoding(std::string_view bytes) {
    if (bytes.starts_with(ini::kUtf16LeBom)) return IniEncoding::Utf16Le;
    if (bytes.starts_with(ini::kUtf8Bom)) return IniEncoding::Utf8WithBom;
    return IniEncoding::Utf8;
}

std::u16string decodeIniBytes(std::string_view bytes) {
    IniEncoding encoding = detectIniEncoding(bytes);
    ini::EncodedFile file(bytes, encoding);
    size_t start = file.start();
    if (encoding != IniEncoding::Utf16Le) return ini::decodeUtf8(bytes.substr(start));
    size_t wholeUnitsEnd = start + (bytes.size() - start) / 2 * 2;
    return file.decode(ini::ByteLine{start, wholeUnitsEnd, bytes.size()});
}

std::optional<std::u16string> findIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key) {
    std::u16string_view wantedSection = ini::trimBlanks(section);
    std::u16string_view wantedKey = ini::trimBlanks(key);
    bool inside = wantedSection.empty();
    bool seen = false;
    std::optional<std::u16string> value;
    ini::forEachLine(text, [&](std::u16string_view line) {
        ini::ParsedLine parsed = ini::parseLine(line);
        if (parsed.kind == ini::LineKind::Header) {
            if (seen) return false; // only the first section of a name counts
            inside = seen = equalsIgnoreCase(parsed.name, wantedSection);
            return true;
        }
        if (inside && parsed.kind == ini::LineKind::Entry && equalsIgnoreCase(parsed.name, wantedKey)) {
            value.emplace(parsed.value);
            return false;
        }
        return true;
    });
    return value;
}

std::u16string readIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key) {
    std::optional<std::u16string> found = findIniValue(text, section, key);
    if (!found) return {};
    return found->substr(0, found->find(u'\0'));
}

IniIndex::IniIndex(std::u16string_view text) : sections_(1) {
    ini::forEachLine(text, [&](std::u16string_view line) {
        ini::ParsedLine parsed = ini::parseLine(line);
        if (parsed.kind == ini::LineKind::Header) {
            sections_.back().end = entries_.size();
            sections_.push_back({parsed.name, entries_.size(), entries_.size()});
        } else if (parsed.kind == ini::LineKind::Entry) {
            entries_.push_back({parsed.name, parsed.value});
        }
        return true;
    });
    sections_.back().end = entries_.size();
}

std::optional<std::u16string_view> IniIndex::findIn(const Section& section, std::u16string_view key) const {
    for (size_t i = section.first; i < section.end; ++i) {
        if (equalsIgnoreCase(entries_[i].name, key)) return entries_[i].value;
    }
    return std::nullopt;
}

std::optional<std::u16string_view> IniIndex::find(std::u16string_view section, std::u16string_view key) const {
    std::u16string_view wantedSection = ini::trimBlanks(section);
    std::u16string_view wantedKey = ini::trimBlanks(key);
    // The entries before the first header belong to the section without a
    // name, and so does the first header whose name is empty.
    if (wantedSection.empty()) {
        if (std::optional<std::u16string_view> value = findIn(sections_.front(), wantedKey)) return value;
    }
    for (size_t i = 1; i < sections_.size(); ++i) {
        // Only the first section of a name counts.
        if (equalsIgnoreCase(sections_[i].name, wantedSection)) return findIn(sections_[i], wantedKey);
    }
    return std::nullopt;
}

std::u16string readIniValue(const IniIndex& index, std::u16string_view section, std::u16string_view key) {
    std::optional<std::u16string_view> found = index.find(section, key);
    if (!found) return {};
    return std::u16string(found->substr(0, found->find(u'\0')));
}

TextList listIniSections(std::u16string_view text) {
    TextList names;
    ini::forEachLine(text, [&](std::u16string_view line) {
        ini::ParsedLine parsed = ini::parseLine(line);
        if (parsed.kind == ini::LineKind::Header) names.emplace_back(parsed.name);
        return true;
    });
    return names;
}

} // namespace launcher
