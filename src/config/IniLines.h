#pragma once
// The rules that reading and writing INI text share (see IniText.h): the
// blanks and quotes around names and values, what a line is, UTF-8 that
// keeps a lone surrogate, and a file's bytes seen as lines of its encoding.
// Internal to the INI text functions.

#include "config/IniText.h"

#include <optional>
#include <vector>

namespace launcher::ini {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

// The blanks that surround names and values. Ctrl-Z counts as one, as the
// end-of-file mark that old editors left behind.
bool isBlank(char16_t c);
std::u16string_view trimBlanks(std::u16string_view text);
// One pair of matching single or double quotes taken off.
std::u16string_view unquote(std::u16string_view value);

enum class LineKind { Other, Header, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::u16string_view name;
    std::u16string_view value;
};

ParsedLine parseLine(std::u16string_view line);

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

// UTF-8 in which a lone surrogate keeps the three bytes of its code unit
// (see IniLines.cpp), both ways.
std::u16string decodeUtf8(std::string_view bytes);
std::string encodeUtf8(std::u16string_view text);

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

    // The first byte after the byte-order mark.
    size_t start() const;
    bool wholeUnits() const { return (bytes_.size() - start()) % unit_ == 0; }
    char16_t unitAt(size_t offset) const;
    std::vector<ByteLine> lines() const;
    std::u16string decode(const ByteLine& line) const;
    std::string encode(std::u16string_view text) const;
    // The bytes of the first line break, or "\n" in a file without any.
    std::string lineBreak(const std::vector<ByteLine>& lines) const;
    // Where the new value of an entry line starts: after the first "=" and
    // the blanks that follow it; nothing for a line without "=".
    std::optional<size_t> valueOffset(const ByteLine& line) const;

private:
    std::string_view bytes_;
    IniEncoding encoding_;
    size_t unit_;
};

} // namespace launcher::ini
