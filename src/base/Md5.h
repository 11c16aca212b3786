#pragma once
// MD5 message digest (RFC 1321). Used only to derive the key that deciphers
// the embedded configuration, never for anything that needs collision
// resistance.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace launcher {

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest md5(std::span<const uint8_t> data);
Md5Digest md5(std::string_view data);

} // namespace launcher
