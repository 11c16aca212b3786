#include "config/IniSectionMap.h"

namespace launcher {

namespace {

// A header is "[" as the first character above 32 and "]" as the last one;
// the name between the outer brackets is kept exactly as written.
bool parseHeader(std::u16string_view line, std::u16string& name) {
    size_t first = 0;
    while (first < line.size() && line[first] <= 32) ++first;
    if (first == line.size() || line[first] != u'[') return false;
    size_t last = line.size() - 1;
    while (line[last] <= 32) --last;
    if (last == first || line[last] != u']') return false;
    name.assign(line.substr(first + 1, last - first - 1));
    return true;
}

} // namespace

uint32_t IniSectionMap::readHeader(uint32_t& header) {
    header = 0;
    return 1;
}

void IniSectionMap::getString(std::u16string_view section, std::u16string_view key, std::u16string& value) {
    for (const Section& s : sections_) {
        if (s.name != section) continue;
        for (const Entry& e : s.entries) {
            if (e.key == key) {
                value = e.value;
                return;
            }
        }
        return; // only the first section of a name counts
    }
}

void IniSectionMap::getSectionNames(TextList& names) {
    names.clear();
    for (const Section& s : sections_) names.push_back(s.name);
}

bool IniSectionMap::writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    Section* target = nullptr;
    for (Section& s : sections_) {
        if (s.name == section) {
            target = &s;
            break;
        }
    }
    if (!target) {
        sections_.push_back(Section{std::u16string(section), {}});
        target = &sections_.back();
    }
    target->entries.push_back(Entry{std::u16string(key), std::u16string(value)});
    return true;
}

// Nothing on disk belongs to the map.
bool IniSectionMap::deleteFile() { return true; }

void IniSectionMap::loadFromText(std::u16string_view text) {
    sections_.clear();
    TextList lines = splitString(text, u"\r\n");
    if (!lines.empty() && startsWith(lines.front(), u"\xFEFF")) lines.front().erase(0, 1);
    Section* current = nullptr;
    for (const std::u16string& line : lines) {
        std::u16string name;
        if (parseHeader(line, name)) {
            sections_.push_back(Section{std::move(name), {}});
            current = &sections_.back();
            continue;
        }
        size_t equals = line.find(u'=');
        if (!current || equals == std::u16string::npos) continue;
        std::u16string_view view(line);
        current->entries.push_back(Entry{trimWhitespace(view.substr(0, equals)), trimWhitespace(view.substr(equals + 1))});
    }
}

} // namespace launcher
