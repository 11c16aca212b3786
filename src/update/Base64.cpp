#include "update/Base64.h"

namespace launcher {

namespace {

constexpr int kNotBase64 = -1;

int sextet(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c - u'A';
    if (c >= u'a' && c <= u'z') return c - u'a' + 26;
    if (c >= u'0' && c <= u'9') return c - u'0' + 52;
    if (c == u'+') return 62;
    if (c == u'/') return 63;
    return kNotBase64;
}

} // namespace

std::optional<std::vector<uint8_t>> decodeBase64(std::u16string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == u'=') padding = text[text.size() - 2] == u'=' ? 2 : 1;
    const size_t digits = text.size() - padding;
    std::vector<uint8_t> bytes;
    bytes.reserve(digits * 3 / 4);
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int value = sextet(text[i]);
        if (value == kNotBase64) return std::nullopt;
        bits = (bits << 6 | static_cast<uint32_t>(value)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(static_cast<uint8_t>(bits >> bitCount));
        }
    }
    // What is left over after the last whole byte is padding and must be
    // zero: another text with other bits there would name the same bytes.
    if ((bits & ((1u << bitCount) - 1)) != 0) return std::nullopt;
    return bytes;
}

} // namespace launcher
