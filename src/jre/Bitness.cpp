#include "jre/Bitness.h"

#include <cstdint>

namespace launcher {

namespace {

uint32_t readLittle(std::string_view bytes, size_t offset, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

constexpr uint32_t kDosSignature = 0x5A4D;      // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;   // "PE\0\0"
constexpr uint32_t kMachineI386 = 0x014C;
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kNtHeadersOffsetField = 0x3C;
// Signature and file header: enough to read the machine field safely.
constexpr size_t kNtHeadersMinimum = 4 + 20;

} // namespace

bool peHeadersInside(std::string_view bytes, size_t& offset) {
    if (bytes.size() < kDosHeaderSize || readLittle(bytes, 0, 2) != kDosSignature) return false;
    offset = readLittle(bytes, kNtHeadersOffsetField, 4);
    return offset <= bytes.size() && bytes.size() - offset >= kNtHeadersMinimum;
}

bool isX86PeImage(std::string_view bytes) {
    size_t offset = 0;
    if (!peHeadersInside(bytes, offset)) return false;
    return readLittle(bytes, offset, 4) == kNtSignature && readLittle(bytes, offset + 4, 2) == kMachineI386;
}

bool isX86ElfImage(std::string_view bytes) {
    constexpr size_t kElfHeaderStart = 20;
    if (bytes.size() < kElfHeaderStart || bytes.substr(0, 4) != std::string_view("\x7f" "ELF", 4)) return false;
    const bool class32 = bytes[4] == 1;
    const bool littleEndian = bytes[5] == 1;
    constexpr uint32_t kElfMachineI386 = 3;
    return class32 && littleEndian && readLittle(bytes, 18, 2) == kElfMachineI386;
}

} // namespace launcher
