#include "jre/Bitness.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "jre/RuntimeFolders.h"

#include <cstdint>
#include <iterator>
#include <span>

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
constexpr uint32_t kMachineArm64 = 0xAA64;
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
    if (machine == kMachineArm64) return LibraryWidth::Arm64;
    return LibraryWidth::Unknown;
}

LibraryImage readPeImage(std::string_view head) {
    // Headers that end where the file ends are a cut-off library; headers
    // beyond the bytes read are no library's.
    const ImageState cut = head.size() < kImageHeadLimit ? ImageState::Truncated : ImageState::NotAnImage;
    if (head.size() < 2 || readLittle(head, 0, 2) != kDosSignature) return {ImageState::NotAnImage};
    size_t offset = 0;
    if (!peHeadersInside(head, offset)) return {cut};
    if (readLittle(head, offset, 4) != kNtSignature) return {ImageState::NotAnImage};
    const uint32_t machine = readLittle(head, offset + 4, 2);
    return {ImageState::Image, machine, widthOfPeMachine(machine)};
}

LibraryImage readElfImage(std::string_view head) {
    constexpr size_t kElfHeaderStart = 20;
    if (head.size() < 4 || head.substr(0, 4) != std::string_view("\x7f" "ELF", 4)) return {ImageState::NotAnImage};
    if (head.size() < kElfHeaderStart) return {ImageState::Truncated};
    constexpr char kClass32 = 1, kClass64 = 2, kLittleEndian = 1;
    constexpr uint32_t kElfMachineI386 = 3, kElfMachineX86_64 = 62, kElfMachineAarch64 = 183;
    const bool little = head[5] == kLittleEndian;
    uint32_t machine = readLittle(head, 18, 2);
    if (!little) machine = ((machine & 0xFF) << 8) | (machine >> 8);
    LibraryWidth width = LibraryWidth::Unknown;
    if (little && head[4] == kClass32 && machine == kElfMachineI386) width = LibraryWidth::X86;
    if (little && head[4] == kClass64 && machine == kElfMachineX86_64) width = LibraryWidth::X64;
    if (little && head[4] == kClass64 && machine == kElfMachineAarch64) width = LibraryWidth::Arm64;
    return {ImageState::Image, machine, width, true};
}

LibraryImage readPlatformImage(std::string_view head) { return kWindows ? readPeImage(head) : readElfImage(head); }

LibraryWidth peImageWidth(std::string_view bytes) { return readPeImage(bytes).width; }
LibraryWidth elfImageWidth(std::string_view bytes) { return readElfImage(bytes).width; }

LibraryImage inspectLibrary(std::u16string_view path) {
    std::optional<std::string> head = readFileHead(path, kImageHeadLimit);
    if (!head) return {};
    return readPlatformImage(*head);
}

LibraryWidth libraryWidth(std::u16string_view path) { return inspectLibrary(path).width; }

bool isX86Library(std::u16string_view path) { return libraryWidth(path) == LibraryWidth::X86; }

bool libraryTooWide(LibraryWidth processWidth, std::u16string_view path) {
    return processWidth == LibraryWidth::X86 && libraryWidth(path) == LibraryWidth::X64;
}

} // namespace launcher

namespace launcher {

namespace {

std::u16string hexadecimal(uint32_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), u"0123456789ABCDEF"[value % 16]);
        value /= 16;
    } while (value != 0);
    return u"0x" + digits;
}

// The machines a runtime library is commonly built for, by the platform's
// own numbering.
std::u16string machineName(uint32_t machine, bool elf) {
    struct Name {
        uint32_t machine;
        std::u16string_view name;
    };
    static constexpr Name kPe[] = {{0x014C, u"x86"}, {0x8664, u"x64"}, {0xAA64, u"ARM64"}, {0x01C4, u"ARM"},
                                   {0x01C0, u"ARM"}, {0x0200, u"Itanium"}};
    static constexpr Name kElf[] = {{3, u"x86"}, {62, u"x86-64"}, {183, u"AArch64"}, {40, u"ARM"},
                                    {243, u"RISC-V"}, {21, u"PowerPC 64"}, {22, u"S/390"}, {8, u"MIPS"}};
    for (const Name& n : elf ? std::span<const Name>(kElf) : std::span<const Name>(kPe)) {
        if (n.machine == machine) return std::u16string(n.name) + u" (machine " + hexadecimal(machine) + u")";
    }
    return u"machine " + hexadecimal(machine);
}

// The runtime a library of width is, as the reasons name it.
std::u16string runtimeOfWidth(LibraryWidth width) {
    if (width == LibraryWidth::X86) return u"a 32-bit runtime";
    return u"an " + std::u16string(architectureName(width)) + u" runtime";
}

} // namespace

std::u16string_view architectureName(LibraryWidth width) {
    switch (width) {
    case LibraryWidth::X86: return u"32-bit";
    case LibraryWidth::X64: return kWindows ? u"x64" : u"x86-64";
    case LibraryWidth::Arm64: return kWindows ? u"ARM64" : u"AArch64";
    case LibraryWidth::Unknown: break;
    }
    return u"unknown";
}

ImageUse imageUse(const LibraryImage& image, LibraryWidth process) {
    if (isForeignImage(image)) return ImageUse::Refused;
    if (image.width == process) return ImageUse::Loads;
    if (process == LibraryWidth::X64 && image.width == LibraryWidth::X86) return ImageUse::Pair;
    return ImageUse::Refused;
}

bool isForeignImage(const LibraryImage& image) {
    return image.state != ImageState::Image || image.width == LibraryWidth::Unknown;
}

std::u16string imageRejection(const LibraryImage& image, LibraryWidth wanted) {
    const std::u16string_view format = kWindows ? u"PE" : u"ELF";
    switch (image.state) {
    case ImageState::Unreadable: return u"its runtime library cannot be read";
    case ImageState::NotAnImage:
        return u"its runtime library is no library (no " + std::u16string(format) + u" headers in its first " +
               toDecimal(kImageHeadLimit / 1024) + u" KB)";
    case ImageState::Truncated: return u"its runtime library is cut short: the file ends inside its headers";
    case ImageState::Image: break;
    }
    if (image.width == wanted) return {};
    const std::u16string launcherName(architectureName(wanted));
    if (image.width == LibraryWidth::X86 && wanted == LibraryWidth::X64) {
        return u"a 32-bit runtime, which this 64-bit launcher cannot load (only a paired 32-bit launcher, "
               u"\"Pair Product\", may use it)";
    }
    if (image.width == LibraryWidth::X64 && wanted == LibraryWidth::X86) {
        return u"a 64-bit runtime, which a 32-bit launcher cannot load";
    }
    if (image.width == LibraryWidth::Unknown) {
        return u"its runtime library is built for " + machineName(image.machine, image.elf) + u", which this " +
               launcherName + u" launcher cannot load";
    }
    std::u16string text = runtimeOfWidth(image.width) + u", which this " + launcherName + u" launcher cannot load";
    if (kWindows && image.width == LibraryWidth::Arm64 && wanted == LibraryWidth::X64) {
        text += u" (only its ARM64 sibling, \"ARM64 Product\", may use it)";
    }
    return text;
}

} // namespace launcher
