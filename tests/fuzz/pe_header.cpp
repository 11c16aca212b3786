// Feeds arbitrary file heads to the check that tells a 32-bit runtime
// library from one the launcher can load, as a forged or truncated jvm.dll
// (or libjvm.so) presents them, and checks the answer against the image
// layout read field by field.

#include "FuzzCheck.h"
#include "jre/Bitness.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace launcher;

namespace {

uint32_t field(std::string_view bytes, size_t at, size_t width) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, width); // the fuzzing host is little-endian
    return value;
}

// The PE layout: "MZ", the NT header offset at 0x3C, "PE\0\0" and the
// file header's machine word there, all inside the bytes.
bool expectedPe(std::string_view bytes) {
    if (bytes.size() < 64 || field(bytes, 0, 2) != 0x5A4D) return false;
    const uint64_t nt = field(bytes, 0x3C, 4);
    if (nt + 24 > bytes.size()) return false;
    return field(bytes, nt, 4) == 0x00004550 && field(bytes, nt + 4, 2) == 0x014C;
}

bool expectedElf(std::string_view bytes) {
    return bytes.size() >= 20 && bytes.substr(0, 4) == std::string_view("\x7f" "ELF", 4) && bytes[4] == 1 &&
           bytes[5] == 1 && field(bytes, 18, 2) == 3;
}

void checkHead(std::string_view bytes) {
    FUZZ_CHECK(isX86PeImage(bytes) == expectedPe(bytes));
    FUZZ_CHECK(isX86ElfImage(bytes) == expectedElf(bytes));
    size_t offset = 0;
    if (peHeadersInside(bytes, offset)) {
        FUZZ_CHECK(offset == field(bytes, 0x3C, 4) && offset + 24 <= bytes.size());
    }
}

// The input's own bytes made into an i386 image whose NT headers sit at an
// offset the input chooses: recognised exactly when they fit, and never
// once the file is cut inside them.
void checkForgedImage(std::string_view input) {
    std::string image(input.substr(0, 4096));
    if (image.size() < 64) image.resize(64);
    const uint32_t nt = static_cast<uint32_t>(field(image, 0x3C, 4) % (image.size() + 64));
    image[0] = 'M';
    image[1] = 'Z';
    std::memcpy(image.data() + 0x3C, &nt, 4);
    if (nt < 0x3C + 4) return; // the headers would overwrite the offset itself
    if (image.size() < nt + 24) image.resize(nt + 24);
    std::memcpy(image.data() + nt, "PE\0\0\x4c\x01", 6);
    FUZZ_CHECK(isX86PeImage(image));
    const size_t cut = nt + 24 - 1 - field(image, nt + 6, 1) % 24;
    FUZZ_CHECK(!isX86PeImage(std::string_view(image).substr(0, cut)));
    image[nt + 5] = '\x86'; // 0x864C is no i386 machine word
    FUZZ_CHECK(!isX86PeImage(image));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkHead(bytes);
    // Every truncation of a file answers as the layout of what remains.
    if (size > 0) checkHead(bytes.substr(0, data[size - 1] % (size + 1)));
    checkForgedImage(bytes);
    return 0;
}
