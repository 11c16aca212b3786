#include "base/Rc4.h"

#include <utility>

namespace launcher {

Rc4::Rc4(std::span<const uint8_t> key) {
    static constexpr uint8_t kZero = 0;
    if (key.empty()) key = std::span<const uint8_t>(&kZero, 1);
    for (int n = 0; n < 256; ++n) s_[n] = static_cast<uint8_t>(n);
    uint8_t j = 0;
    for (size_t n = 0; n < 256; ++n) {
        j = static_cast<uint8_t>(j + s_[n] + key[n % key.size()]);
        std::swap(s_[n], s_[j]);
    }
}

void Rc4::apply(std::span<uint8_t> data) {
    for (uint8_t& byte : data) {
        i_ = static_cast<uint8_t>(i_ + 1);
        j_ = static_cast<uint8_t>(j_ + s_[i_]);
        std::swap(s_[i_], s_[j_]);
        byte ^= s_[static_cast<uint8_t>(s_[i_] + s_[j_])];
    }
}

} // namespace launcher
