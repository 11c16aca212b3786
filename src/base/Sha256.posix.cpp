#include "base/Sha256.h"

#include <cstring>

namespace launcher {

namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

uint32_t rotateRight(uint32_t value, int count) { return value >> count | value << (32 - count); }

} // namespace

struct Sha256::State {
    uint32_t hash[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint8_t block[64] = {};
    size_t filled = 0;
    uint64_t length = 0;

    void compress(const uint8_t* data) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) {
            w[i] = uint32_t{data[4 * i]} << 24 | uint32_t{data[4 * i + 1]} << 16 |
                   uint32_t{data[4 * i + 2]} << 8 | uint32_t{data[4 * i + 3]};
        }
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = rotateRight(w[i - 15], 7) ^ rotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = rotateRight(w[i - 2], 17) ^ rotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t v[8];
        std::memcpy(v, hash, sizeof v);
        for (int i = 0; i < 64; ++i) {
            uint32_t s1 = rotateRight(v[4], 6) ^ rotateRight(v[4], 11) ^ rotateRight(v[4], 25);
            uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
            uint32_t t1 = v[7] + s1 + choice + kRoundConstants[i] + w[i];
            uint32_t s0 = rotateRight(v[0], 2) ^ rotateRight(v[0], 13) ^ rotateRight(v[0], 22);
            uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            std::memmove(v + 1, v, 7 * sizeof(uint32_t));
            v[4] += t1;
            v[0] = t1 + s0 + majority;
        }
        for (int i = 0; i < 8; ++i) hash[i] += v[i];
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}
Sha256::~Sha256() = default;

void Sha256::update(std::span<const uint8_t> bytes) {
    // An empty piece may come with a null pointer, which memcpy must not see.
    if (bytes.empty()) return;
    State& s = *state_;
    s.length += bytes.size();
    const uint8_t* data = bytes.data();
    size_t left = bytes.size();
    if (s.filled > 0) {
        size_t take = std::min(left, sizeof s.block - s.filled);
        std::memcpy(s.block + s.filled, data, take);
        s.filled += take;
        data += take;
        left -= take;
        if (s.filled < sizeof s.block) return;
        s.compress(s.block);
        s.filled = 0;
    }
    for (; left >= sizeof s.block; data += sizeof s.block, left -= sizeof s.block) s.compress(data);
    if (left > 0) std::memcpy(s.block, data, left);
    s.filled = left;
}

std::optional<Sha256Digest> Sha256::finish() {
    State& s = *state_;
    const uint64_t bits = s.length * 8;
    // The padding: one 1 bit, zeros up to 56 bytes into a block, then the
    // message's length in bits, big-endian.
    uint8_t tail[72] = {0x80};
    size_t padding = (s.filled < 56 ? 56 : 120) - s.filled;
    for (int i = 0; i < 8; ++i) tail[padding + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    update(std::span<const uint8_t>(tail, padding + 8));
    Sha256Digest digest;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<uint8_t>(s.hash[i] >> (24 - 8 * j));
    }
    return digest;
}

} // namespace launcher
