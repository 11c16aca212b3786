#include "install/ByteSource.h"

#include <cstring>

namespace launcher {

bool MemorySource::read(uint64_t offset, std::span<uint8_t> into) {
    if (offset > bytes_.size() || into.size() > bytes_.size() - offset) return false;
    if (!into.empty()) std::memcpy(into.data(), bytes_.data() + offset, into.size());
    return true;
}

} // namespace launcher
