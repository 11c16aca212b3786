#include "base/Sha256.h"

namespace launcher {

void Sha256::update(std::string_view bytes) {
    update(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string sha256Hex(const Sha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<Sha256Digest> parseSha256Hex(std::string_view text) {
    Sha256Digest digest{};
    if (text.size() != digest.size() * 2) return std::nullopt;
    for (size_t i = 0; i < digest.size(); ++i) {
        int high = hexDigitValue(text[2 * i]);
        int low = hexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return digest;
}

} // namespace launcher
