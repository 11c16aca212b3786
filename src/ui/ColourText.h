#pragma once
// The browser's link colours as the registry keeps them: text such as
// "0,0,255", red first.

#include <cstdint>
#include <optional>
#include <string_view>

namespace launcher {

// 0x00BBGGRR, the layout of a Windows COLORREF.
using Colour = uint32_t;

constexpr Colour rgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}

// Three comma-separated numbers, each read as the C library reads a long
// (leading blanks, a sign, decimal digits, anything after them ignored) and
// cut to its low 8 bits. A missing field, an empty third field, a field
// without digits and the value -1 (the library's own failure value) make the
// whole text invalid.
std::optional<Colour> parseColourText(std::u16string_view text);

// The largest colour value read from the registry, terminator included:
// longer values are not read at all.
inline constexpr size_t kColourValueBytes = 24;

// A registry value as queried: used only when it is text (REG_SZ or
// REG_EXPAND_SZ), fits the buffer, has an even byte size and ends with its
// terminator; an empty value is empty text.
std::optional<Colour> parseColourValue(bool isText, std::string_view bytes);

} // namespace launcher
