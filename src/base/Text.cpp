#include "base/Text.h"

namespace launcher {

bool isWhitespace(char16_t c) {
    switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::u16string trimWhitespace(std::u16string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isWhitespace(text[begin])) ++begin;
    while (end > begin && isWhitespace(text[end - 1])) --end;
    return std::u16string(text.substr(begin, end - begin));
}

char16_t foldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    // Latin-1 capitals, except the multiplication sign.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    return c;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    }
    return true;
}

TextList splitString(std::u16string_view text, std::u16string_view separator) {
    TextList pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t p = 0;
    while (true) {
        size_t i = text.find(separator, p);
        if (i == std::u16string_view::npos) {
            pieces.emplace_back(text.substr(p));
            return pieces;
        }
        pieces.emplace_back(text.substr(p, i - p));
        p = i + separator.size();
        if (p >= text.size()) return pieces;
    }
}

bool startsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::u16string_view text, std::u16string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

void replaceAll(std::u16string& text, char16_t from, char16_t to) {
    for (char16_t& c : text) {
        if (c == from) c = to;
    }
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {

// Decodes one UTF-8 sequence at text[i]; returns the code point (U+FFFD for
// malformed input) and advances i past what was consumed.
char32_t decodeUtf8(std::string_view text, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length;
    char32_t cp;
    char32_t minimum;
    if (lead < 0x80) { ++i; return lead; }
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; cp = lead & 0x1F; minimum = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; cp = lead & 0x0F; minimum = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; cp = lead & 0x07; minimum = 0x10000; }
    else { ++i; return 0xFFFD; }
    size_t k = 1;
    for (; k < length; ++k) {
        if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80) break;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (k < length) { i += k; return 0xFFFD; }
    i += length;
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

} // namespace

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = decodeUtf8(text, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::u16string fromAscii(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string toDecimal(long long value) {
    std::string digits = std::to_string(value);
    return fromAscii(digits);
}

} // namespace launcher
