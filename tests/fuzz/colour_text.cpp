// Feeds arbitrary registry values to the reading of the link colours, as
// any program may have written them, and checks the reading against the C
// library's own number reading on Windows (32-bit long).

#include "FuzzCheck.h"
#include "ui/ColourText.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

using namespace launcher;

namespace {

// strtol on the field's bytes, held to the range of a 32-bit long as the
// Windows library holds it; nothing when no digit was read.
std::optional<int32_t> libraryLong(const std::string& field) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(field.c_str(), &end, 10);
    if (end == field.c_str()) return std::nullopt;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::optional<uint8_t> expectedComponent(const std::string& field) {
    const std::optional<int32_t> value = libraryLong(field);
    if (!value || *value == -1) return std::nullopt;
    return static_cast<uint8_t>(static_cast<uint32_t>(*value));
}

// The expected colour of a text of single-byte characters without zeros.
std::optional<Colour> expectedColour(std::string_view text) {
    const size_t first = text.find(',');
    const size_t second = first == std::string_view::npos ? first : text.find(',', first + 1);
    if (second == std::string_view::npos || second + 1 == text.size()) return std::nullopt;
    const auto red = expectedComponent(std::string(text.substr(0, first)));
    const auto green = expectedComponent(std::string(text.substr(first + 1, second - first - 1)));
    const auto blue = expectedComponent(std::string(text.substr(second + 1)));
    if (!red || !green || !blue) return std::nullopt;
    return rgb(*red, *green, *blue);
}

std::u16string widened(std::string_view text) {
    std::u16string out;
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

// The registry rules: only text that fits, is whole units and ends in its
// terminator is read, and only up to its first terminator.
void checkValue(bool isText, std::string_view bytes) {
    const std::optional<Colour> read = parseColourValue(isText, bytes);
    const bool usable = isText && bytes.size() <= kColourValueBytes && bytes.size() % 2 == 0 &&
                        (bytes.empty() || (bytes[bytes.size() - 2] == 0 && bytes.back() == 0));
    if (!usable) {
        FUZZ_CHECK(!read);
        return;
    }
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), bytes.size());
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    FUZZ_CHECK(read == parseColourText(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Zeros end a C string; the text under test has none.
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    FUZZ_CHECK(parseColourText(widened(text)) == expectedColour(text));

    // Characters beyond one byte are never blanks, signs or digits.
    std::u16string wide = widened(text);
    for (char16_t& c : wide) {
        if (c >= 0x80) c = static_cast<char16_t>(c << 8 | c);
    }
    FUZZ_CHECK(parseColourText(wide) == expectedColour(text));

    checkValue(size > 0 && data[0] % 4 != 0, bytes);
    return 0;
}
