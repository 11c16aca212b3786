#include "runtime/Runtime.h"

namespace standin {

namespace {

void appendUnit(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (isHigh(c) && i + 1 < text.size() && isLow(text[i + 1])) {
            appendUnit(out, 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            // A lone surrogate keeps its own three bytes, so the trace shows it.
            appendUnit(out, c);
        }
    }
    return out;
}

std::string toModifiedUtf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c == 0) {
            out += "\xC0\x80";
        } else {
            appendUnit(out, c); // surrogates one by one, three bytes each
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view bytes) {
    std::u16string out;
    size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        bool whole = length != 0 && i + length <= bytes.size();
        uint32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t k = 1; whole && k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            out.push_back(u'\xFFFD');
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c)); // C0 80 gives the zero unit
        }
        i += length;
    }
    return out;
}

std::string dotted(std::string_view slashed) {
    std::string out(slashed);
    for (char& c : out) {
        if (c == '/') c = '.';
    }
    return out;
}

} // namespace standin
