#pragma once
// Base64 (RFC 4648, the standard alphabet, with padding), as `base64 -w0`
// prints it: the form the feed's public key takes in the INI file.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace launcher {

// The bytes of canonical base64 text: a multiple of four characters,
// "=" only as the last one or two, and the bits that padding leaves over
// zero. Nothing for anything else, line breaks and blanks included: a key
// has exactly one text, so a changed character never decodes to the same
// key.
std::optional<std::vector<uint8_t>> decodeBase64(std::u16string_view text);

} // namespace launcher
