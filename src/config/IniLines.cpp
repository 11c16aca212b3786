#include "config/IniLines.h"

namespace launcher::ini {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n' || c == 0x1A;
}

std::u16string_view trimBlanks(std::u16string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

namespace {
bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }
} // namespace

std::u16string_view unquote(std::u16string_view value) {
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

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

namespace {

// A surrogate without its partner (text cut in the middle of a pair) has no
// UTF-8 form. It is kept in the three bytes that UTF-8's rule gives its code
// unit, and those bytes read back as that unit, so that whatever is written
// reads back exactly; well-formed text is plain UTF-8 both ways.
bool isSurrogateBytes(std::string_view bytes, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    return i + 2 < bytes.size() && byte(i) == 0xED && (byte(i + 1) & 0xE0) == 0xA0 && (byte(i + 2) & 0xC0) == 0x80;
}

} // namespace

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

size_t EncodedFile::start() const {
    switch (encoding_) {
    case IniEncoding::Utf8WithBom: return kUtf8Bom.size();
    case IniEncoding::Utf16Le: return kUtf16LeBom.size();
    default: return 0;
    }
}

char16_t EncodedFile::unitAt(size_t offset) const {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes_[k]); };
    if (unit_ == 1) return byte(offset);
    return static_cast<char16_t>(byte(offset) | (byte(offset + 1) << 8));
}

std::vector<ByteLine> EncodedFile::lines() const {
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

std::u16string EncodedFile::decode(const ByteLine& line) const {
    std::string_view content = bytes_.substr(line.begin, line.end - line.begin);
    if (unit_ == 1) return decodeUtf8(content);
    std::u16string text;
    for (size_t k = 0; k < content.size(); k += 2) text.push_back(unitAt(line.begin + k));
    return text;
}

std::string EncodedFile::encode(std::u16string_view text) const {
    if (unit_ == 1) return encodeUtf8(text);
    std::string out;
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string EncodedFile::lineBreak(const std::vector<ByteLine>& lines) const {
    for (const ByteLine& line : lines) {
        if (line.next > line.end) return std::string(bytes_.substr(line.end, line.next - line.end));
    }
    return encode(u"\n");
}

std::optional<size_t> EncodedFile::valueOffset(const ByteLine& line) const {
    size_t offset = line.begin;
    while (offset < line.end && unitAt(offset) != u'=') offset += unit_;
    if (offset == line.end) return std::nullopt;
    offset += unit_;
    while (offset < line.end && (unitAt(offset) == u' ' || unitAt(offset) == u'\t')) offset += unit_;
    return offset;
}

} // namespace launcher::ini
