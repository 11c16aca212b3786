#include "support/PeImports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace launcher::test {
namespace {

void put(std::string& image, size_t offset, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) image[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 64-bit image with one section at RVA 0x1000 (file offset 0x200) that
// holds the import descriptors and, from RVA 0x1100, the library names.
std::string imageImporting(const std::vector<std::string>& libraries, uint16_t magic = 0x20B) {
    std::string image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put(image, 0x3C, 0x40, 4);
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    put(image, 0x44 + 2, 1, 2);     // one section
    put(image, 0x44 + 16, 240, 2);  // size of the optional header
    put(image, 0x58, magic, 2);
    put(image, 0x58 + 112 + 8, libraries.empty() ? 0 : 0x1000, 4);
    put(image, 0x148 + 8, 0x200, 4);
    put(image, 0x148 + 12, 0x1000, 4);
    put(image, 0x148 + 16, 0x200, 4);
    put(image, 0x148 + 20, 0x200, 4);
    uint32_t nameRva = 0x1100;
    for (size_t i = 0; i < libraries.size(); ++i) {
        const size_t descriptor = 0x200 + i * 20;
        put(image, descriptor, 0x1080, 4);
        put(image, descriptor + 12, nameRva, 4);
        put(image, descriptor + 16, 0x1080, 4);
        image.replace(0x200 + (nameRva - 0x1000), libraries[i].size() + 1, libraries[i] + '\0');
        nameRva += static_cast<uint32_t>(libraries[i].size() + 1);
    }
    return image;
}

TEST(PeImports, ReadsTheLibrariesInTableOrder) {
    const std::vector<std::string> libraries = {"KERNEL32.dll", "gdiplus.dll", "api-ms-win-crt-heap-l1-1-0.dll"};
    EXPECT_EQ(importedLibraries(imageImporting(libraries)), libraries);
    EXPECT_EQ(importedLibraries(imageImporting({})), std::vector<std::string>{});
}

TEST(PeImports, RejectsMalformedImages) {
    const std::string good = imageImporting({"USER32.dll", "SHELL32.dll"});
    std::string badNameRva = good;
    put(badNameRva, 0x200 + 12, 0x9000, 4);
    std::string farHeader = good;
    put(farHeader, 0x3C, 0x7FFFFFF0, 4);
    const struct {
        const char* what;
        std::string image;
    } cases[] = {
        {"empty", ""},
        {"not MZ", "ZM" + good.substr(2)},
        {"header offset past the end", farHeader},
        {"cut inside the headers", good.substr(0, 0x100)},
        {"cut inside the section table", good.substr(0, 0x150)},
        {"cut inside the descriptors", good.substr(0, 0x210)},
        {"cut inside a name", good.substr(0, 0x303)},
        {"unknown optional header", imageImporting({"USER32.dll"}, 0x999)},
        {"name outside every section", badNameRva},
    };
    for (const auto& c : cases) EXPECT_EQ(importedLibraries(c.image), std::nullopt) << c.what;
}

TEST(PeImports, StartupLibrariesAreKernelRegistryWindowsAndCRuntime) {
    const struct {
        const char* name;
        bool allowed;
    } cases[] = {
        {"KERNEL32.dll", true},           {"kernel32.DLL", true},          {"ADVAPI32.dll", true},
        {"USER32.dll", true},             {"msvcrt.dll", true},            {"api-ms-win-crt-runtime-l1-1-0.dll", true},
        {"gdiplus.dll", false},           {"GDI32.dll", false},            {"SHELL32.dll", false},
        {"ole32.dll", false},             {"COMCTL32.dll", false},         {"SHLWAPI.dll", false},
        {"api-ms-win-crt-.dll", false},   {"api-ms-win-core-file-l1-1-0.dll", false},
        {"kernel32.dll.evil", false},     {"user32", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isStartupLibrary(c.name), c.allowed) << c.name;
}

} // namespace
} // namespace launcher::test
