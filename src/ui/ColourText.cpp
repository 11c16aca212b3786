#include "ui/ColourText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace launcher {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// One field as wcstol reads it on Windows, where a long has 32 bits: out of
// range values stop at the limits.
std::optional<int32_t> readLong(std::u16string_view field) {
    size_t at = 0;
    while (at < field.size() && isBlank(field[at])) ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == u'+' || field[at] == u'-')) negative = field[at++] == u'-';
    const size_t digitsStart = at;
    int64_t value = 0;
    constexpr int64_t limit = int64_t{INT32_MAX} + 1;
    for (; at < field.size() && field[at] >= u'0' && field[at] <= u'9'; ++at) {
        value = std::min(value * 10 + (field[at] - u'0'), limit);
    }
    // Text without digits is no number, not a zero.
    if (at == digitsStart) return std::nullopt;
    value = negative ? -value : std::min<int64_t>(value, INT32_MAX);
    return static_cast<int32_t>(value);
}

std::optional<uint8_t> readComponent(std::u16string_view field) {
    std::optional<int32_t> value = readLong(field);
    if (!value || *value == -1) return std::nullopt;
    return static_cast<uint8_t>(static_cast<uint32_t>(*value) & 0xFF);
}

} // namespace

std::optional<Colour> parseColourText(std::u16string_view text) {
    const size_t first = text.find(u',');
    if (first == std::u16string_view::npos) return std::nullopt;
    const size_t second = text.find(u',', first + 1);
    if (second == std::u16string_view::npos) return std::nullopt;
    std::u16string_view rest = text.substr(second + 1);
    if (rest.empty()) return std::nullopt;
    std::optional<uint8_t> red = readComponent(text.substr(0, first));
    std::optional<uint8_t> green = readComponent(text.substr(first + 1, second - first - 1));
    std::optional<uint8_t> blue = readComponent(rest);
    if (!red || !green || !blue) return std::nullopt;
    return rgb(*red, *green, *blue);
}

std::optional<Colour> parseColourValue(bool isText, std::string_view bytes) {
    if (!isText || bytes.size() > kColourValueBytes || bytes.size() % 2 != 0) return std::nullopt;
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), bytes.size());
    if (!text.empty()) {
        if (text.back() != u'\0') return std::nullopt;
        text.pop_back();
    }
    // The text ends at its first terminator, as the C library reads it.
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return parseColourText(text);
}

} // namespace launcher
