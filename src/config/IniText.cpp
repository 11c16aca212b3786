#include "config/IniText.h"

#include <vector>

namespace launcher {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// The blanks that surround names and values. Ctrl-Z counts as one, as the
// end-of-file mark that old editors left behind.
bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n' || c == 0x1A;
}

std::u16string_view trimBlanks(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }

std::u16string_view unquote(std::u16string_view value) {
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

enum class LineKind { Other, Header, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::u16string_view name;
    std::u16string_view value;
};

ParsedLine parseLine(std::u16string_view line) {
    std::u16string_view rest = trimBlanks(line);
    if (rest.empty() || rest.front() == u';') return {};
    // The name ends at the line's last "]", as Windows reads it; a "[" line
    // without one is no header, and is read as any other line.
    size_t close = rest.front() == u'[' ? rest.rfind(u']') : std::u16string_view::npos;
    if (close != std::u16string_view::npos) return {LineKind::Header, trimBlanks(rest.substr(1, close - 1)), {}};
    size_t equals = rest.find(u'=');
    // A line without "=" is a key with an empty value, as Windows reads it:
    // it hides a later line of the same key.
    if (equals == std::u16string_view::npos) return {LineKind::Entry, rest, rest.substr(rest.size())};
    return {LineKind::Entry, trimBlanks(rest.substr(0, equals)), unquote(trimBlanks(rest.substr(equals + 1)))};
}

// Calls visit with each line of the text until it returns false. A line
// ends at CR, LF or CR LF.
template <typename Visit>
void forEachLine(std::u16string_view text, Visit visit) {
    size_t p = 0;
    while (p < text.size()) {
        size_t end = text.find_first_of(u"\r\n", p);
        if (end == std::u16string_view::npos) end = text.size();
        if (!visit(text.substr(p, end - p))) return;
        p = end + 1;
        if (end < text.size() && text[end] == u'\r' && p < text.size() && text[p] == u'\n') ++p;
    }
}

// A surrogate without its partner (text cut in the middle of a pair) has no
// UTF-8 form. It is kept in the three bytes that UTF-8's rule gives its code
// unit, and those bytes read back as that unit, so that whatever is written
// reads back exactly; well-formed text is plain UTF-8 both ways.
bool isSurrogateBytes(std::string_view bytes, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    return i + 2 < bytes.size() && byte(i) == 0xED && (byte(i + 1) & 0xE0) == 0xA0 && (byte(i + 2) & 0xC0) == 0x80;
}

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string text;
    size_t run = 0;
    for (size_t i = 0; i < bytes.size();) {
        if (!isSurrogateBytes(bytes, i)) {
            ++i;
            continue;
        }
        text += fromUtf8(bytes.substr(run, i - run));
        text.push_back(static_cast<char16_t>(0xD000 | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F)));
        run = i += 3;
    }
    return text += fromUtf8(bytes.substr(run));
}

std::string encodeUtf8(std::u16string_view text) {
    std::string bytes;
    size_t run = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c < 0xD800 || c > 0xDFFF) continue;
        if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i; // a pair: plain UTF-8
            continue;
        }
        bytes += toUtf8(text.substr(run, i - run));
        bytes += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))};
        run = i + 1;
    }
    return bytes += toUtf8(text.substr(run));
}

// ---- Editing at the byte level, so that untouched lines keep their bytes.

struct ByteLine {
    size_t begin; // first byte of the content
    size_t end;   // first byte of the line break
    size_t next;  // first byte after the line break
};

class EncodedFile {
public:
    EncodedFile(std::string_view bytes, IniEncoding encoding)
        : bytes_(bytes), encoding_(encoding), unit_(encoding == IniEncoding::Utf16Le ? 2 : 1) {}

    size_t start() const {
        switch (encoding_) {
        case IniEncoding::Utf8WithBom: return kUtf8Bom.size();
        case IniEncoding::Utf16Le: return kUtf16LeBom.size();
        default: return 0;
        }
    }

    bool wholeUnits() const { return (bytes_.size() - start()) % unit_ == 0; }

    char16_t unitAt(size_t offset) const {
        auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes_[k]); };
        if (unit_ == 1) return byte(offset);
        return static_cast<char16_t>(byte(offset) | (byte(offset + 1) << 8));
    }

    std::vector<ByteLine> lines() const {
        std::vector<ByteLine> result;
        size_t begin = start();
        size_t offset = begin;
        while (offset < bytes_.size()) {
            char16_t c = unitAt(offset);
            if (c != u'\r' && c != u'\n') {
                offset += unit_;
                continue;
            }
            size_t next = offset + unit_;
            if (c == u'\r' && next < bytes_.size() && unitAt(next) == u'\n') next += unit_;
            result.push_back({begin, offset, next});
            begin = offset = next;
        }
        if (begin < bytes_.size()) result.push_back({begin, bytes_.size(), bytes_.size()});
        return result;
    }

    std::u16string decode(const ByteLine& line) const {
        std::string_view content = bytes_.substr(line.begin, line.end - line.begin);
        if (unit_ == 1) return decodeUtf8(content);
        std::u16string text;
        for (size_t k = 0; k < content.size(); k += 2) text.push_back(unitAt(line.begin + k));
        return text;
    }

    std::string encode(std::u16string_view text) const {
        if (unit_ == 1) return encodeUtf8(text);
        std::string out;
        for (char16_t c : text) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out;
    }

    // The bytes of the first line break, or "\n" in a file without any.
    std::string lineBreak(const std::vector<ByteLine>& lines) const {
        for (const ByteLine& line : lines) {
            if (line.next > line.end) return std::string(bytes_.substr(line.end, line.next - line.end));
        }
        return encode(u"\n");
    }

    // Where the new value of an entry line starts: after the first "=" and
    // the blanks that follow it; nothing for a line without "=".
    std::optional<size_t> valueOffset(const ByteLine& line) const {
        size_t offset = line.begin;
        while (offset < line.end && unitAt(offset) != u'=') offset += unit_;
        if (offset == line.end) return std::nullopt;
        offset += unit_;
        while (offset < line.end && (unitAt(offset) == u' ' || unitAt(offset) == u'\t')) offset += unit_;
        return offset;
    }

private:
    std::string_view bytes_;
    IniEncoding encoding_;
    size_t unit_;
};

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
    bool quote = !value.empty() &&
                 (isBlank(value.front()) || isBlank(value.back()) || unquote(value).size() != value.size());
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

EntryPlace findEntryPlace(const EncodedFile& file, const std::vector<ByteLine>& lines,
                          std::u16string_view section, std::u16string_view key) {
    EntryPlace place;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::u16string text = file.decode(lines[i]);
        ParsedLine parsed = parseLine(text);
        long index = static_cast<long>(i);
        if (parsed.kind == LineKind::Header) {
            if (place.sectionLine >= 0) break;
            if (equalsIgnoreCase(parsed.name, section)) place.sectionLine = place.lastContentLine = index;
            continue;
        }
        if (place.sectionLine < 0 || trimBlanks(text).empty()) continue;
        place.lastContentLine = index;
        if (parsed.kind == LineKind::Entry && equalsIgnoreCase(parsed.name, key)) {
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

IniEncoding detectIniEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf16LeBom)) return IniEncoding::Utf16Le;
    if (bytes.starts_with(kUtf8Bom)) return IniEncoding::Utf8WithBom;
    return IniEncoding::Utf8;
}

std::u16string decodeIniBytes(std::string_view bytes) {
    IniEncoding encoding = detectIniEncoding(bytes);
    EncodedFile file(bytes, encoding);
    size_t start = file.start();
    if (encoding != IniEncoding::Utf16Le) return decodeUtf8(bytes.substr(start));
    size_t wholeUnitsEnd = start + (bytes.size() - start) / 2 * 2;
    return file.decode(ByteLine{start, wholeUnitsEnd, bytes.size()});
}

std::optional<std::u16string> findIniValue(std::u16string_view text, std::u16string_view section, std::u16string_view key) {
    std::u16string_view wantedSection = trimBlanks(section);
    std::u16string_view wantedKey = trimBlanks(key);
    bool inside = wantedSection.empty();
    bool seen = false;
    std::optional<std::u16string> value;
    forEachLine(text, [&](std::u16string_view line) {
        ParsedLine parsed = parseLine(line);
        if (parsed.kind == LineKind::Header) {
            if (seen) return false; // only the first section of a name counts
            inside = seen = equalsIgnoreCase(parsed.name, wantedSection);
            return true;
        }
        if (inside && parsed.kind == LineKind::Entry && equalsIgnoreCase(parsed.name, wantedKey)) {
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
    forEachLine(text, [&](std::u16string_view line) {
        ParsedLine parsed = parseLine(line);
        if (parsed.kind == LineKind::Header) {
            sections_.back().end = entries_.size();
            sections_.push_back({parsed.name, entries_.size(), entries_.size()});
        } else if (parsed.kind == LineKind::Entry) {
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
    std::u16string_view wantedSection = trimBlanks(section);
    std::u16string_view wantedKey = trimBlanks(key);
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
    forEachLine(text, [&](std::u16string_view line) {
        ParsedLine parsed = parseLine(line);
        if (parsed.kind == LineKind::Header) names.emplace_back(parsed.name);
        return true;
    });
    return names;
}

std::optional<std::string> setIniValue(std::string_view bytes, std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (!isWritableName(section, key) || hasLineBreakOrNul(value)) return std::nullopt;
    EncodedFile file(bytes, detectIniEncoding(bytes));
    if (!file.wholeUnits()) return std::nullopt;

    std::vector<ByteLine> lines = file.lines();
    std::string lineBreak = file.lineBreak(lines);
    std::u16string entry(key);
    entry.push_back(u'=');
    entry.append(valueText(value));

    EntryPlace place = findEntryPlace(file, lines, section, key);
    std::string result;
    if (place.entryLine >= 0) {
        const ByteLine& line = lines[place.entryLine];
        // A key alone on its line gets its "=" after it.
        std::optional<size_t> offset = file.valueOffset(line);
        std::u16string written = offset ? valueText(value) : u"=" + valueText(value);
        result.append(bytes.substr(0, offset.value_or(line.end))).append(file.encode(written)).append(bytes.substr(line.end));
    } else if (place.sectionLine >= 0) {
        const ByteLine& line = lines[place.lastContentLine];
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
