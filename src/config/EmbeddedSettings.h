#pragma once
// The embedded configuration: INI text carried enciphered in the
// executable's RCDATA resources 9000 and 8000. Resource 9000, deciphered with
// the "Upgrade Code", gives the key text of resource 8000, which deciphered
// gives the configuration text.

#include "base/Text.h"

#include <cstdint>
#include <vector>

namespace launcher {

inline constexpr uint16_t kEmbeddedKeyResource = 9000;
inline constexpr uint16_t kEmbeddedSettingsResource = 8000;

using Bytes = std::vector<uint8_t>;

// The bytes of an RCDATA resource of the executable's own module, chosen by
// language (user default, then its primary language, then neutral); empty
// when there is none. Always empty on Linux.
Bytes loadOwnResource(uint16_t id);

// Deciphers bytes with the RC4 key that the platform's base cryptographic
// provider derives from the MD5 hash of the key text (narrow, thread code
// page). Windows uses CryptoAPI; the portable code gives the same bytes.
// Any failing step of the platform's provider gives no bytes.
Bytes decipher(std::u16string_view keyText, Bytes data);
Bytes decipherPortable(std::u16string_view keyText, Bytes data);

// The bytes that are hashed for a key text: its narrow form up to (not
// including) its first terminating zero.
std::string keyTextBytes(std::u16string_view keyText);

// Bytes as little-endian UTF-16 units; an odd last byte is dropped.
std::u16string bytesToText(const Bytes& bytes);
Bytes textToBytes(std::u16string_view text);

// The embedded configuration text, empty when the executable carries none.
std::u16string readEmbeddedSettingsText(std::u16string_view upgradeCode);

} // namespace launcher
