#include "vmopts/CacheFileHeader.h"

namespace launcher {

namespace {

template <typename T>
T readLittle(std::string_view bytes, size_t at) {
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

} // namespace

bool looksLikeDynamicArchive(std::string_view head, uint64_t fileSize) {
    return looksLikeWholeCacheFile(head, fileSize, kDynamicArchiveMagic);
}

bool looksLikeWholeCacheFile(std::string_view head, uint64_t fileSize, uint32_t magic) {
    // The runtime writes its magic number in the machine's byte order, on
    // every platform here little-endian.
    if (head.size() < 12 || readLittle<uint32_t>(head, 0) != magic) return false;
    // The header's own version, then where its table of regions lies: each
    // entry starts with the region's offset in the file, and its used size
    // follows two fields later.
    struct Layout {
        uint32_t version;
        size_t table;
        size_t stride;
    };
    static constexpr Layout kLayouts[] = {{11, 40, 72}, {19, 48, 96}}; // runtimes 17 and 25
    const uint32_t version = readLittle<uint32_t>(head, 8);
    for (const Layout& layout : kLayouts) {
        if (layout.version != version) continue;
        for (size_t region = 0; region < 3; ++region) {
            const size_t at = layout.table + region * layout.stride;
            if (at + 24 > head.size()) return false;
            const uint64_t offset = readLittle<uint64_t>(head, at);
            const uint64_t used = readLittle<uint64_t>(head, at + 16);
            if (offset > fileSize || used > fileSize - offset) return false;
        }
    }
    return true;
}

} // namespace launcher
