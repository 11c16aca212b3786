// The resource section rebuilt in small synthetic executables: the new tree
// reads back, and everything else in the file stays where and as it was.

#include "PeImage.h"
#include "PeWriter.h"
#include "SyntheticPe.h"

#include <gtest/gtest.h>

namespace launcher::pack {
namespace {

using test::resource;

struct Layout {
    const char* name;
    bool pe32Plus;
    std::vector<std::string> sections;
    size_t addedBytes; // resource data added, to outgrow the old section or not
    bool newSection;   // where the directory must end up
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

class ResourceRebuild : public testing::TestWithParam<Layout> {};

TEST_P(ResourceRebuild, KeepsSectionsOverlayAndHeadersRight) {
    const Layout& layout = GetParam();
    test::SyntheticPe input;
    input.pe32Plus = layout.pe32Plus;
    input.sections = layout.sections;
    input.resources = {resource(kRtVersion, 1, 0x409, "old version"), resource(kRtRcData, 7, 0, "kept")};
    input.overlay = "appended jar bytes";
    input.symbolsInOverlay = true;
    PeImage before = readPeImage(input.build());

    ResourceList wanted = readResources(before);
    std::erase_if(wanted, [](const Resource& r) { return r.type.id == kRtVersion; });
    wanted.push_back(resource(kRtVersion, 1, 0x409, std::string(layout.addedBytes, 'Z')));
    wanted.push_back(test::namedResource(u"CONFIG", u"Main", "named"));
    PeImage after = readPeImage(withResources(before, wanted));

    ResourceList read = readResources(after);
    ASSERT_EQ(read.size(), wanted.size());
    EXPECT_EQ(read.front().type.text, u"CONFIG"); // named types come first
    EXPECT_EQ(read.back().type.id, kRtVersion);
    EXPECT_EQ(read.back().data, wanted[wanted.size() - 2].data);

    EXPECT_EQ(after.sections.size(), before.sections.size() + (layout.newSection ? 1 : 0));
    for (size_t i = 0; i < before.sections.size(); ++i) {
        const PeSection& s = before.sections[i];
        EXPECT_EQ(after.sections[i].virtualAddress, s.virtualAddress) << s.name;
        if (s.name == ".rsrc") continue;
        EXPECT_EQ(Bytes(after.file.begin() + after.sections[i].rawPointer,
                        after.file.begin() + after.sections[i].rawPointer + s.rawSize),
                  Bytes(before.file.begin() + s.rawPointer, before.file.begin() + s.rawPointer + s.rawSize))
            << s.name;
    }
    const PeSection* holder = after.sectionAt(after.directory(kResourceDirectory).rva);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder == &after.sections.back(), layout.newSection || layout.sections.back() == ".rsrc");

    ByteView view(after.file, "");
    uint32_t imageSize = view.u32(after.optionalOffset + 56);
    const PeSection& last = after.sections.back();
    EXPECT_EQ(imageSize, alignUp(last.virtualAddress + last.virtualSize, 0x1000));
    EXPECT_EQ(view.u32(after.checksumOffset()), peChecksum(after.file, after.checksumOffset()));
    std::string tail(after.file.end() - static_cast<std::ptrdiff_t>(input.overlay.size()), after.file.end());
    EXPECT_EQ(tail, input.overlay);
    EXPECT_EQ(view.u32(after.coffOffset + 8), after.endOfSections()); // symbol table moved with the overlay
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ResourceRebuild,
    testing::Values(Layout{"FitsInPlace", true, {".text", ".rsrc", ".reloc"}, 100, false},
                    Layout{"OutgrowsAMiddleSection", true, {".text", ".rsrc", ".reloc"}, 0x3000, true},
                    Layout{"LastSectionGrows", true, {".text", ".data", ".rsrc"}, 0x5000, false},
                    Layout{"Pe32OutgrowsAMiddleSection", false, {".text", ".rsrc", ".reloc"}, 0x3000, true},
                    Layout{"NoResourcesBefore", false, {".text", ".data"}, 10, true}),
    [](const testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

TEST(ResourceRebuild, DirectoryIsSortedForTheLoadersSearch) {
    ResourceList list = {resource(5, 300, 0, "a"), test::namedResource(u"zeta", u"b", "b"),
                         resource(5, 2, 0x409, "c"), resource(5, 2, 0x407, "d"),
                         test::namedResource(u"ALPHA", u"x", "e"), test::namedResource(u"Beta", u"x", "f")};
    test::SyntheticPe input;
    input.resources = list;
    ResourceList read = readResources(readPeImage(input.build()));
    std::vector<std::string> order;
    for (const Resource& r : read) order.emplace_back(r.data.begin(), r.data.end());
    EXPECT_EQ(order, (std::vector<std::string>{"e", "f", "b", "d", "c", "a"}));
}

// A forged section at the top of the address space: a new section after it
// would wrap around to address 0, where nothing would find it.
TEST(ResourceRebuild, ImageWithoutAddressesForANewSectionIsRefused) {
    test::SyntheticPe input;
    Bytes file = input.build();
    PeImage image = readPeImage(file);
    ResourceList big = {resource(kRtRcData, 1, 0, std::string(0x2000, 'x'))};
    for (uint32_t address : {0xFFFFFFF7u, 0xFFFFE000u}) {
        const size_t header = image.sectionTableOffset; // the first section's virtual size and address follow its name
        for (int i = 0; i < 4; ++i) file[header + 12 + i] = static_cast<uint8_t>(address >> (8 * i));
        EXPECT_THROW(withResources(readPeImage(file), big), PackError) << address;
    }
}

TEST(ResourceRebuild, HeadersWithoutRoomForANewSectionAreRefused) {
    test::SyntheticPe input;
    input.headerSize = 0x200;
    input.sections = {".text", ".rsrc", ".a", ".b", ".c", ".d"};
    PeImage image = readPeImage(input.build());
    ResourceList big = {resource(kRtRcData, 1, 0, std::string(0x2000, 'x'))};
    EXPECT_THROW(withResources(image, big), PackError);
}

} // namespace
} // namespace launcher::pack

namespace launcher::pack {
namespace {

// Known answers worked out apart from this code (16-bit words summed with
// end-around carry, the field itself as zero, an odd last byte as a word of
// its own, then the file's length), the rule checked against the checksums
// of real DLLs. A self-consistent mistake, such as a dropped length term,
// would still pass the rebuild's own read-back.
TEST(PeChecksum, MatchesIndependentlyComputedAnswers) {
    auto fill = [](size_t size, auto byteAt) {
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(byteAt(i));
        return bytes;
    };
    struct Case {
        const char* name;
        Bytes file;
        size_t offset;
        uint32_t checksum;
    } cases[] = {
        {"ramp", fill(4096, [](size_t i) { return i & 0xff; }), 216, 0x5650},
        {"all ones carry", fill(1000, [](size_t) { return 0xff; }), 64, 0x103e7},
        {"odd length", fill(1001, [](size_t i) { return (i * 7 + 3) & 0xff; }), 100, 0x2dcd},
        {"only the length", fill(8, [](size_t) { return 0; }), 0, 8},
    };
    for (Case& c : cases) {
        EXPECT_EQ(peChecksum(c.file, c.offset), c.checksum) << c.name;
        // The old value in the field counts for nothing.
        for (size_t i = 0; i < 4; ++i) c.file[c.offset + i] = 0xa5;
        EXPECT_EQ(peChecksum(c.file, c.offset), c.checksum) << c.name << " with a stale field";
    }
}

} // namespace
} // namespace launcher::pack
