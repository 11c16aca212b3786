// Telling 32-bit x86 images from others by their headers alone.

#include "jre/Bitness.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

std::string peImage(uint16_t machine, uint32_t ntOffset = 0x80, size_t size = 0x200) {
    std::string bytes(size, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<char>((ntOffset >> (8 * i)) & 0xFF);
    if (uint64_t{ntOffset} + 6 <= size) { // no wrap-around where size_t is 32 bits
        bytes.replace(ntOffset, 4, std::string("PE\0\0", 4));
        bytes[ntOffset + 4] = static_cast<char>(machine & 0xFF);
        bytes[ntOffset + 5] = static_cast<char>(machine >> 8);
    }
    return bytes;
}

std::string elfImage(char elfClass, uint16_t machine) {
    std::string bytes(64, '\0');
    bytes.replace(0, 4, "\x7f" "ELF");
    bytes[4] = elfClass;
    bytes[5] = 1;
    bytes[18] = static_cast<char>(machine & 0xFF);
    bytes[19] = static_cast<char>(machine >> 8);
    return bytes;
}

TEST(Bitness, PeHeaders) {
    EXPECT_TRUE(isX86PeImage(peImage(0x14C)));
    EXPECT_FALSE(isX86PeImage(peImage(0x8664)));
    EXPECT_FALSE(isX86PeImage(peImage(0xAA64)));
    EXPECT_FALSE(isX86PeImage(peImage(0x14C).substr(0, 0x90)));  // headers cut short
    EXPECT_FALSE(isX86PeImage(peImage(0x14C, 0x7FFFFFF0)));        // offset beyond the file
    EXPECT_FALSE(isX86PeImage(peImage(0x14C, 0xFFFFFFFF)));
    EXPECT_FALSE(isX86PeImage(peImage(0x14C).substr(0, 10)));
    EXPECT_FALSE(isX86PeImage("not an image at all, just some text that is long enough to hold a header........"));
    EXPECT_FALSE(isX86PeImage(""));
    std::string noSignature = peImage(0x14C);
    noSignature[0x80] = 'X';
    EXPECT_FALSE(isX86PeImage(noSignature));
}

TEST(Bitness, ElfHeaders) {
    EXPECT_TRUE(isX86ElfImage(elfImage(1, 3)));
    EXPECT_FALSE(isX86ElfImage(elfImage(2, 62))); // x86-64
    EXPECT_FALSE(isX86ElfImage(elfImage(1, 40))); // 32-bit ARM
    EXPECT_FALSE(isX86ElfImage(elfImage(1, 3).substr(0, 12)));
    EXPECT_FALSE(isX86ElfImage(peImage(0x14C)));
}

struct WidthCase {
    const char* label;
    std::string bytes;
    LibraryWidth width;
};

void PrintTo(const WidthCase& c, std::ostream* out) { *out << c.label; }

class ImageWidth : public ::testing::TestWithParam<WidthCase> {};

// Each header read by both readers: only the matching format answers.
TEST_P(ImageWidth, ReadsTheMachineOfEitherFormat) {
    const WidthCase& c = GetParam();
    const bool pe = c.bytes.rfind("MZ", 0) == 0;
    EXPECT_EQ(peImageWidth(c.bytes), pe ? c.width : LibraryWidth::Unknown);
    EXPECT_EQ(elfImageWidth(c.bytes), pe ? LibraryWidth::Unknown : c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ImageWidth,
    ::testing::Values(WidthCase{"PeI386", peImage(0x14C), LibraryWidth::X86},
                      WidthCase{"PeAmd64", peImage(0x8664), LibraryWidth::X64},
                      WidthCase{"PeArm64", peImage(0xAA64), LibraryWidth::Arm64},
                      WidthCase{"PeAmd64CutShort", peImage(0x8664).substr(0, 0x90), LibraryWidth::Unknown},
                      WidthCase{"PeAmd64OffsetBeyondTheFile", peImage(0x8664, 0xFFFFFFF0), LibraryWidth::Unknown},
                      WidthCase{"ElfI386", elfImage(1, 3), LibraryWidth::X86},
                      WidthCase{"ElfX86_64", elfImage(2, 62), LibraryWidth::X64},
                      WidthCase{"ElfClass32WithX86_64Machine", elfImage(1, 62), LibraryWidth::Unknown},
                      WidthCase{"ElfClass64WithI386Machine", elfImage(2, 3), LibraryWidth::Unknown},
                      WidthCase{"ElfAarch64", elfImage(2, 183), LibraryWidth::Arm64},
                      WidthCase{"ElfClass32WithAarch64Machine", elfImage(1, 183), LibraryWidth::Unknown},
                      WidthCase{"PeArm32", peImage(0x1C4), LibraryWidth::Unknown},
                      WidthCase{"ElfCutShort", elfImage(2, 62).substr(0, 19), LibraryWidth::Unknown},
                      WidthCase{"Empty", "", LibraryWidth::Unknown}),
    [](const ::testing::TestParamInfo<WidthCase>& info) { return info.param.label; });

TEST(ImageWidth, BigEndianElfIsNeither) {
    std::string bytes = elfImage(2, 62);
    bytes[5] = 2;
    EXPECT_EQ(elfImageWidth(bytes), LibraryWidth::Unknown);
}

} // namespace
} // namespace launcher

namespace launcher {
namespace {

// What the headers say of a file named like a runtime library, and the
// reason the search gives for passing it over.
TEST(LibraryImage, StateMachineAndReason) {
    struct Case {
        const char* label;
        LibraryImage image;
        ImageState state;
        uint32_t machine;
        LibraryWidth wanted;
        const char16_t* reason; // part of the reason; empty: it fits
    };
    std::string longText(kImageHeadLimit, 'x');
    std::string farHeaders = std::string("MZ") + std::string(kImageHeadLimit - 2, '\0');
    farHeaders[0x3D] = 0x20; // NT headers at 0x2000, beyond what is read
    const Case cases[] = {
        {"PeX64", readPeImage(peImage(0x8664)), ImageState::Image, 0x8664, LibraryWidth::X64, u""},
        {"PeX86For64", readPeImage(peImage(0x14C)), ImageState::Image, 0x14C, LibraryWidth::X64, u"a 32-bit runtime"},
        {"PeX64For32", readPeImage(peImage(0x8664)), ImageState::Image, 0x8664, LibraryWidth::X86, u"a 64-bit runtime"},
        {"PeArm64", readPeImage(peImage(0xAA64)), ImageState::Image, 0xAA64, LibraryWidth::X64, u"64 runtime, which this"},
        {"PeArm32", readPeImage(peImage(0x1C4)), ImageState::Image, 0x1C4, LibraryWidth::X64, u"(machine 0x1C4)"},
        {"PeCutShort", readPeImage(peImage(0x8664).substr(0, 0x90)), ImageState::Truncated, 0, LibraryWidth::X64,
         u"cut short"},
        {"PeDosHeaderOnly", readPeImage("MZ"), ImageState::Truncated, 0, LibraryWidth::X64, u"cut short"},
        {"PeHeadersBeyondTheHead", readPeImage(farHeaders), ImageState::NotAnImage, 0, LibraryWidth::X64, u"no library"},
        {"Text", readPeImage("a text file\r\n"), ImageState::NotAnImage, 0, LibraryWidth::X64, u"no library"},
        {"LongText", readElfImage(longText), ImageState::NotAnImage, 0, LibraryWidth::X64, u"no library"},
        {"Empty", readPeImage(""), ImageState::NotAnImage, 0, LibraryWidth::X64, u"no library"},
        {"ElfX64", readElfImage(elfImage(2, 62)), ImageState::Image, 62, LibraryWidth::X64, u""},
        {"ElfAarch64", readElfImage(elfImage(2, 183)), ImageState::Image, 183, LibraryWidth::X64, u"64 runtime, which this"},
        {"ElfRiscV", readElfImage(elfImage(2, 243)), ImageState::Image, 243, LibraryWidth::X64, u"(machine 0xF3)"},
        {"ElfCutShort", readElfImage(elfImage(2, 62).substr(0, 12)), ImageState::Truncated, 0, LibraryWidth::X64,
         u"cut short"},
        {"Unreadable", LibraryImage{}, ImageState::Unreadable, 0, LibraryWidth::X64, u"cannot be read"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.image.state, c.state) << c.label;
        EXPECT_EQ(c.image.machine, c.machine) << c.label;
        std::u16string reason = imageRejection(c.image, c.wanted);
        if (*c.reason == u'\0') {
            EXPECT_EQ(reason, u"") << c.label;
        } else {
            EXPECT_NE(reason.find(c.reason), std::u16string::npos) << c.label << ": " << std::string(reason.begin(), reason.end());
        }
        EXPECT_EQ(isForeignImage(c.image), c.state != ImageState::Image || c.machine == 0x1C4 || c.machine == 243)
            << c.label;
    }
}

// Which runtimes each build of the launcher takes: its own machine only,
// except that the x64 launcher hands a 32-bit one to its pair. On ARM64
// Windows the x64 and ARM64 runtimes sit side by side, so both directions
// must be refused by the header alone, with a reason naming both machines.
TEST(LibraryImage, UseByLauncherMachine) {
    struct Case {
        uint16_t machine;
        LibraryWidth launcher;
        ImageUse use;
        const char16_t* reason; // part of the reason; empty: none
    };
    constexpr LibraryWidth kX86 = LibraryWidth::X86, kX64 = LibraryWidth::X64, kArm = LibraryWidth::Arm64;
    const Case cases[] = {
        {0x8664, kX64, ImageUse::Loads, u""},
        {0xAA64, kArm, ImageUse::Loads, u""},
        {0x014C, kX86, ImageUse::Loads, u""},
        {0x014C, kX64, ImageUse::Pair, u"\"Pair Product\""},
        {0xAA64, kX64, ImageUse::Refused, u"ARM64 runtime, which this x64 launcher cannot load (only its ARM64 sibling"},
        {0x8664, kArm, ImageUse::Refused, u"an x64 runtime, which this ARM64 launcher cannot load"},
        {0x014C, kArm, ImageUse::Refused, u"a 32-bit runtime, which this ARM64 launcher cannot load"},
        {0xAA64, kX86, ImageUse::Refused, u"an ARM64 runtime, which this 32-bit launcher cannot load"},
        {0x8664, kX86, ImageUse::Refused, u"a 64-bit runtime"},
        {0x01C4, kArm, ImageUse::Refused, u"ARM (machine 0x1C4), which this ARM64 launcher"},
    };
    for (const Case& c : cases) {
        const LibraryImage image = readPeImage(peImage(c.machine));
        const std::string label = std::to_string(c.machine) + " in launcher " + std::to_string(int(c.launcher));
        EXPECT_EQ(imageUse(image, c.launcher), c.use) << label;
        if (!kWindows) continue; // the reasons name the machines as Windows users know them
        const std::u16string reason = imageRejection(image, c.launcher);
        if (*c.reason == u'\0') {
            EXPECT_EQ(reason, u"") << label;
        } else {
            EXPECT_NE(reason.find(c.reason), std::u16string::npos) << label << ": " << std::string(reason.begin(), reason.end());
        }
    }
}

} // namespace
} // namespace launcher
