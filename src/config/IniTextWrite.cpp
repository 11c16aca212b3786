#include "config/IniLines.h"

// Writing one entry: the file's bytes change only where the entry goes.

namespace launcher {

namespace {

bool hasLineBreakOrNul(std::u16string_view text) {
    return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

bool isWritableName(std::u16string_view section, std::u16string_view key) {
    if (section.empty() || section.find(u']') != std::u16string_view::npos || hasLineBreakOrNul(section)) return false;
    if (key.empty() || key.find(u'=') != std::u16string_view::npos || hasLineBreakOrNul(key)) return false;
    return key.front() != u'[' && key.front() != u';';
}

// The value as written: quoted when reading would otherwise trim it or take
// its own quotes off.
std::u16string valueText(std::u16string_view value) {
    bool quote = !value.empty() && (ini::isBlank(value.front()) || ini::isBlank(value.back()) ||
                                    ini::unquote(value).size() != value.size());
    if (!quote) return std::u16string(value);
    std::u16string text(u"\"");
    text.append(value);
    text.push_back(u'"');
    return text;
}

struct EntryPlace {
    long sectionLine = -1;
    long lastContentLine = -1;
    long entryLine = -1;
};

EntryPlace findEntryPlace(const ini::EncodedFile& file, const std::vector<ini::ByteLine>& lines,
                          std::u16string_view section, std::u16string_view key) {
    EntryPlace place;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::u16string text = file.decode(lines[i]);
        ini::ParsedLine parsed = ini::parseLine(text);
        long index = static_cast<long>(i);
        if (parsed.kind == ini::LineKind::Header) {
            if (place.sectionLine >= 0) break;
            if (equalsIgnoreCase(parsed.name, section)) place.sectionLine = place.lastContentLine = index;
            continue;
        }
        if (place.sectionLine < 0 || ini::trimBlanks(text).empty()) continue;
        place.lastContentLine = index;
        if (parsed.kind == ini::LineKind::Entry && equalsIgnoreCase(parsed.name, key)) {
            place.entryLine = index;
            break;
        }
    }
    return place;
}

// The last word on a write: the rules above are meant to make every accepted
// write read back, and this check makes sure of it, so that a case they
// missed is refused instead of storing something other than what was asked.
bool readsBack(std::string_view before, std::string_view after, std::u16string_view section,
               std::u16string_view key, std::u16string_view value) {
    std::u16string text = decodeIniBytes(after);
    std::optional<std::u16string> found = findIniValue(text, section, key);
    if (!found || *found != value) return false;
    TextList sectionsBefore = listIniSections(decodeIniBytes(before));
    TextList sectionsAfter = listIniSections(text);
    if (sectionsAfter.size() == sectionsBefore.size() + 1) sectionsAfter.pop_back(); // the one appended
    return sectionsAfter == sectionsBefore;
}

} // namespace

std::optional<std::string> setIniValue(std::string_view bytes, std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    section = ini::trimBlanks(section);
    key = ini::trimBlanks(key);
    if (!isWritableName(section, key) || hasLineBreakOrNul(value)) return std::nullopt;
    ini::EncodedFile file(bytes, detectIniEncoding(bytes));
    if (!file.wholeUnits()) return std::nullopt;

    std::vector<ini::ByteLine> lines = file.lines();
    std::string lineBreak = file.lineBreak(lines);
    std::u16string entry(key);
    entry.push_back(u'=');
    entry.append(valueText(value));

    EntryPlace place = findEntryPlace(file, lines, section, key);
    std::string result;
    if (place.entryLine >= 0) {
        const ini::ByteLine& line = lines[place.entryLine];
        // A key alone on its line gets its "=" after it.
        std::optional<size_t> offset = file.valueOffset(line);
        std::u16string written = offset ? valueText(value) : u"=" + valueText(value);
        result.append(bytes.substr(0, offset.value_or(line.end))).append(file.encode(written)).append(bytes.substr(line.end));
    } else if (place.sectionLine >= 0) {
        const ini::ByteLine& line = lines[place.lastContentLine];
        // The new line ends the way the line before it does, so that a lone
        // CR is never put in front of a following LF (which would join them).
        std::string breakBefore(bytes.substr(line.end, line.next - line.end));
        if (breakBefore.empty()) breakBefore = lineBreak; // the last line had none
        result.append(bytes.substr(0, line.end)).append(breakBefore);
        result.append(file.encode(entry)).append(breakBefore).append(bytes.substr(line.next));
    } else {
        result.append(bytes);
        if (!lines.empty() && lines.back().next == lines.back().end) result.append(lineBreak);
        std::u16string header(u"[");
        header.append(section).push_back(u']');
        result.append(file.encode(header)).append(lineBreak).append(file.encode(entry)).append(lineBreak);
    }
    if (!readsBack(bytes, result, section, key, value)) return std::nullopt;
    return result;
}

} // namespace launcher
