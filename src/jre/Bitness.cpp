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
constexpr uint32_t kMachineAmd64 = 0x8664;
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

LibraryWidth widthOfPeMachine(unsigned machine) {
    if (machine == kMachineI386) return LibraryWidth::X86;
    if (machine == kMachineAmd64) return LibraryWidth::X64;
    return LibraryWidth::Unknown;
}

LibraryWidth peImageWidth(std::string_view bytes) {
    size_t offset = 0;
    if (!peHeadersInside(bytes, offset) || readLittle(bytes, offset, 4) != kNtSignature) return LibraryWidth::Unknown;
    return widthOfPeMachine(readLittle(bytes, offset + 4, 2));
}

LibraryWidth elfImageWidth(std::string_view bytes) {
    constexpr size_t kElfHeaderStart = 20;
    if (bytes.size() < kElfHeaderStart || bytes.substr(0, 4) != std::string_view("\x7f" "ELF", 4)) {
        return LibraryWidth::Unknown;
    }
    constexpr char kClass32 = 1, kClass64 = 2, kLittleEndian = 1;
    constexpr uint32_t kElfMachineI386 = 3, kElfMachineX86_64 = 62;
    if (bytes[5] != kLittleEndian) return LibraryWidth::Unknown;
    const uint32_t machine = readLittle(bytes, 18, 2);
    if (bytes[4] == kClass32 && machine == kElfMachineI386) return LibraryWidth::X86;
    if (bytes[4] == kClass64 && machine == kElfMachineX86_64) return LibraryWidth::X64;
    return LibraryWidth::Unknown;
}

bool isX86Library(std::u16string_view path) { return libraryWidth(path) == LibraryWidth::X86; }

bool libraryTooWide(LibraryWidth processWidth, std::u16string_view path) {
    return processWidth == LibraryWidth::X86 && libraryWidth(path) == LibraryWidth::X64;
}

} // namespace launcher
