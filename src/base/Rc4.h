#pragma once
// The RC4 stream cipher. Enciphering and deciphering are the same operation:
// the key stream is combined with the data by exclusive or.

#include <array>
#include <cstdint>
#include <span>

namespace launcher {

class Rc4 {
public:
    // An empty key is taken as one zero byte (the key schedule needs at
    // least one byte).
    explicit Rc4(std::span<const uint8_t> key);

    // Combines the next data.size() bytes of the key stream with data, in
    // place; successive calls continue the stream.
    void apply(std::span<uint8_t> data);

private:
    std::array<uint8_t, 256> s_{};
    uint8_t i_ = 0;
    uint8_t j_ = 0;
};

} // namespace launcher
