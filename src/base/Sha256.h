#pragma once
// SHA-256 (FIPS 180-4), fed in pieces: a downloaded runtime is hashed while
// it streams to disk, never held whole. Windows asks the system's BCrypt;
// Linux has a small implementation of its own.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace launcher {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::span<const uint8_t> bytes);
    void update(std::string_view bytes);
    // The digest of everything fed in; empty when the system's hash could
    // not be used (Windows without BCrypt). The object is spent afterwards.
    std::optional<Sha256Digest> finish();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Lower-case hexadecimal, 64 digits.
std::string sha256Hex(const Sha256Digest& digest);
// 64 hexadecimal digits of either case; anything else gives nothing.
std::optional<Sha256Digest> parseSha256Hex(std::string_view text);

} // namespace launcher
