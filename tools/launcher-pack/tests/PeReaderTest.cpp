// Broken and forged executables: each gets one clear problem, never a crash.

#include "ResourceTree.h"
#include "SyntheticPe.h"

#include <gtest/gtest.h>

#include <functional>

namespace launcher::pack {
namespace {

struct Forgery {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* problem;
};

void PrintTo(const Forgery& f, std::ostream* out) { *out << f.name; }

// Offsets in the synthetic image: optional header at 0x58, PE32+ data
// directories at 0xC8, section table at 0x148, resource section at 0x800.
constexpr size_t kSectionTable = 0x148;
constexpr size_t kResourceSection = 0x800;

class ForgedPe : public testing::TestWithParam<Forgery> {};

TEST_P(ForgedPe, IsRefusedWithItsProblem) {
    test::SyntheticPe input;
    input.resources = {test::resource(kRtRcData, 1, 0, "data")};
    Bytes file = input.build();
    GetParam().damage(file);
    try {
        readResources(readPeImage(file));
        FAIL() << "accepted";
    } catch (const PackError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().problem), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForgedPe,
    testing::Values(
        Forgery{"Empty", [](Bytes& f) { f.clear(); }, "no MZ header"},
        Forgery{"Text", [](Bytes& f) { f.assign({'M', 'Z', 'h', 'i'}); }, "no MZ header"},
        Forgery{"PeOffsetPastTheEnd", [](Bytes& f) { putU32(f, 0x3C, 0xFFFFFFF0); }, "no PE header"},
        Forgery{"CutInTheHeaders", [](Bytes& f) { f.resize(0x100); }, "past the end of the file"},
        Forgery{"UnknownMagic", [](Bytes& f) { putU16(f, 0x58, 0x999); }, "neither PE32 nor PE32+"},
        Forgery{"TooManySections", [](Bytes& f) { putU16(f, 0x46, 4000); }, "section count"},
        Forgery{"SectionOutsideTheFile", [](Bytes& f) { putU32(f, kSectionTable + 40 + 20, 0x7FFFFFF0); }, "outside the file"},
        Forgery{"OddAlignment", [](Bytes& f) { putU32(f, 0x58 + 36, 0x300); }, "file alignment 768 "},
        Forgery{"AlignmentBelow512", [](Bytes& f) { putU32(f, 0x58 + 36, 256); }, "file alignment 256 "},
        Forgery{"AlignmentAbove64K", [](Bytes& f) {
                    putU32(f, 0x58 + 32, 0x80000000u);
                    putU32(f, 0x58 + 36, 0x20000);
                }, "file alignment 131072 "},
        Forgery{"AlignmentOf2GiB", [](Bytes& f) {
                    putU32(f, 0x58 + 32, 0x80000000u);
                    putU32(f, 0x58 + 36, 0x80000000u);
                }, "file alignment 2147483648 "},
        Forgery{"SectionAlignmentBelowFile", [](Bytes& f) { putU32(f, 0x58 + 32, 0x100); }, "section alignment"},
        Forgery{"DirectoryLoopsToTheRoot",
                [](Bytes& f) { putU32(f, kResourceSection + 16 + 4, 0x80000000u); }, "loops"},
        Forgery{"EntryCountPastTheSection",
                [](Bytes& f) { putU16(f, kResourceSection + 14, 0xFFFF); }, "outside its section"},
        Forgery{"DataOutsideTheFile",
                [](Bytes& f) { putU32(f, kResourceSection + 3 * 24, 0x70000000); }, "outside the file"},
        Forgery{"DataWhereADirectoryBelongs",
                [](Bytes& f) { putU32(f, kResourceSection + 16 + 4, 0x48); }, "three levels"}),
    [](const testing::TestParamInfo<Forgery>& info) { return std::string(info.param.name); });

// The bounds themselves are the format's own and are read.
TEST(PeAlignment, FileAlignmentsFrom512To64KAreRead) {
    for (uint32_t alignment : {0x200u, 0x1000u, 0x10000u}) {
        test::SyntheticPe input;
        input.resources = {test::resource(kRtRcData, 1, 0, "data")};
        Bytes file = input.build();
        putU32(file, 0x58 + 32, 0x10000);
        putU32(file, 0x58 + 36, alignment);
        EXPECT_EQ(readPeImage(file).fileAlignment, alignment);
    }
}

} // namespace
} // namespace launcher::pack
