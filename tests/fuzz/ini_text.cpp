// Feeds arbitrary file bytes to the INI readers: the in-memory section map of
// the embedded configuration, and the private-profile rules over a file's
// text with the writer that edits its bytes.

#include "FuzzCheck.h"
#include "config/IniSectionMap.h"
#include "config/IniText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace launcher;

namespace {

constexpr size_t kMaxChecked = 32;
// Keys whose values must not change when another is written. Each costs two
// reads of the whole file per write; a few keep the target fast enough for
// a long campaign, and the inputs vary which keys they are.
constexpr size_t kOthersChecked = 8;

bool hasCrLf(std::u16string_view text) { return text.find(u"\r\n") != std::u16string_view::npos; }

// The rule by which a line of the embedded text is a section header.
bool looksLikeHeader(std::u16string_view line) {
    size_t first = 0;
    while (first < line.size() && line[first] <= 32) ++first;
    size_t last = line.size();
    while (last > first && line[last - 1] <= 32) --last;
    return last - first >= 2 && line[first] == u'[' && line[last - 1] == u']';
}

bool sameContent(const IniSectionMap& a, const IniSectionMap& b) {
    const auto& x = a.sections();
    const auto& y = b.sections();
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i].name != y[i].name || x[i].entries.size() != y[i].entries.size()) return false;
        for (size_t j = 0; j < x[i].entries.size(); ++j) {
            if (x[i].entries[j].key != y[i].entries[j].key || x[i].entries[j].value != y[i].entries[j].value) return false;
        }
    }
    return true;
}

// Entries are trimmed pieces of single lines, lookups take the first match,
// and the content written back as text loads to the same content.
void checkSectionMap(IniSectionMap& map) {
    std::u16string serialised;
    bool reloadable = true;
    size_t checked = 0;
    for (const IniSectionMap::Section& section : map.sections()) {
        FUZZ_CHECK(!hasCrLf(section.name));
        serialised += u"[" + section.name + u"]\r\n";
        for (const IniSectionMap::Entry& entry : section.entries) {
            FUZZ_CHECK(entry.key.find(u'=') == std::u16string::npos);
            FUZZ_CHECK(!hasCrLf(entry.key) && !hasCrLf(entry.value));
            FUZZ_CHECK(trimWhitespace(entry.key) == entry.key && trimWhitespace(entry.value) == entry.value);
            std::u16string line = entry.key + u"=" + entry.value;
            reloadable = reloadable && !looksLikeHeader(line);
            serialised += line + u"\r\n";

            if (checked++ >= kMaxChecked) continue;
            const auto firstSection = std::find_if(map.sections().begin(), map.sections().end(),
                                                   [&](const auto& s) { return s.name == section.name; });
            const auto firstEntry = std::find_if(firstSection->entries.begin(), firstSection->entries.end(),
                                                 [&](const auto& e) { return e.key == entry.key; });
            std::u16string value = u"\uFFFF unchanged";
            map.getString(section.name, entry.key, value);
            FUZZ_CHECK(value == (firstEntry == firstSection->entries.end() ? u"\uFFFF unchanged" : firstEntry->value));
        }
    }
    TextList names;
    map.getSectionNames(names);
    FUZZ_CHECK(names.size() == map.sections().size());

    if (!reloadable) return;
    IniSectionMap reloaded;
    reloaded.loadFromText(serialised);
    FUZZ_CHECK(sameContent(map, reloaded));
}

// A name without the blanks that either reader trims from its ends.
std::u16string looseName(std::u16string_view name) {
    auto loose = [](char16_t c) { return isWhitespace(c) || c == 0x1A; };
    while (!name.empty() && loose(name.front())) name.remove_prefix(1);
    while (!name.empty() && loose(name.back())) name.remove_suffix(1);
    return std::u16string(name);
}

// A value that the writer accepts reads back as given, and nothing else that
// could be read changes.
void checkWrite(std::string_view bytes, std::u16string_view text, std::u16string_view section, std::u16string_view key,
                std::u16string_view value, const std::vector<std::pair<std::u16string, std::u16string>>& others) {
    std::optional<std::string> written = setIniValue(bytes, section, key, value);
    if (!written) return;
    const std::u16string after = decodeIniBytes(*written);
    const std::optional<std::u16string> readBack = findIniValue(after, section, key);
    FUZZ_CHECK(readBack && *readBack == value);

    TextList namesBefore = listIniSections(text);
    TextList namesAfter = listIniSections(after);
    if (namesAfter.size() != namesBefore.size()) {
        FUZZ_CHECK(namesAfter.size() == namesBefore.size() + 1);
        FUZZ_CHECK(section.find(namesAfter.back()) != std::u16string_view::npos);
        namesAfter.pop_back();
    }
    FUZZ_CHECK(namesAfter == namesBefore);

    for (const auto& [otherSection, otherKey] : others) {
        if (equalsIgnoreCase(looseName(otherKey), looseName(key))) continue;
        FUZZ_CHECK(findIniValue(text, otherSection, otherKey) == findIniValue(after, otherSection, otherKey));
    }
}

std::u16string withoutLineBreaks(std::u16string text) {
    std::erase_if(text, [](char16_t c) { return c == u'\r' || c == u'\n' || c == 0; });
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = decodeIniBytes(bytes);

    IniSectionMap map;
    map.loadFromText(text);
    checkSectionMap(map);

    const TextList sections = listIniSections(text);
    for (const std::u16string& name : sections) FUZZ_CHECK(name.find_first_of(u"\r\n") == std::u16string::npos);

    // Names and values to read and write come from the input itself.
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    for (const auto& section : map.sections()) {
        for (const auto& entry : section.entries) {
            if (pairs.size() < kOthersChecked) pairs.emplace_back(section.name, entry.key);
        }
    }
    // The index the file reader looks values up in finds what the plain
    // scan finds, for names in the input and for names that are not.
    const IniIndex index(text);
    pairs.emplace_back(u"", pairs.empty() ? u"k" : pairs.front().second);
    pairs.emplace_back(u"Java Runtime Environment", u"Main Class");
    for (const auto& [section, key] : pairs) {
        const std::optional<std::u16string_view> indexed = index.find(section, key);
        const std::optional<std::u16string> scanned = findIniValue(text, section, key);
        FUZZ_CHECK(indexed.has_value() == scanned.has_value() && (!indexed || *indexed == *scanned));
    }
    pairs.resize(pairs.size() - 2);
    // One write per input, the input's length choosing which: each write
    // reads the whole file many times over, and a long campaign tries every
    // kind of write on millions of files all the same.
    const size_t choice = size % 5;
    if (choice < 4 && choice < pairs.size()) {
        const auto& [section, key] = pairs[choice];
        const std::u16string value = withoutLineBreaks(text.substr(text.size() / (choice + 2)));
        checkWrite(bytes, text, section, key, size % 2 == 0 ? value : u" " + value.substr(0, 8) + u" ", pairs);
    } else if (choice == 4 && !sections.empty() && size % 2 == 0) {
        checkWrite(bytes, text, sections.front(), u"Main Class", u"'app.Main'", pairs);
    } else {
        checkWrite(bytes, text, u"Java Runtime Environment", u"JRE Path", u"C:\\Java\\jdk-17\\", pairs);
    }

    // Plain names and a value without line breaks can always be written
    // into a file made of whole code units.
    const bool wholeUnits = detectIniEncoding(bytes) != IniEncoding::Utf16Le || size % 2 == 0;
    FUZZ_CHECK(setIniValue(bytes, u"Application", u"Cmd", withoutLineBreaks(text.substr(0, 64))).has_value() == wholeUnits);
    return 0;
}
