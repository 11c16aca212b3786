// Icon files in, icon resources out.

#include "IconFile.h"
#include "SyntheticPe.h"

#include <gtest/gtest.h>

#include <functional>

namespace launcher::pack {
namespace {

// An image as an .ico file stores it: a bitmap (header, pixels, mask) or
// the start of a PNG with its header chunk.
Bytes bitmapImage(unsigned side) {
    Bytes image;
    for (uint32_t value : {40u, side, 2 * side}) appendU32(image, value);
    appendU16(image, 1);
    appendU16(image, 32);
    image.resize(40 + side * side * 4 + (side + 31) / 32 * 4 * side, 0x11);
    putU32(image, 32, 0);
    return image;
}
Bytes pngImage(unsigned side) {
    Bytes image = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (int shift : {24, 16, 8, 0}) image.push_back(static_cast<uint8_t>(side >> shift));
    for (int shift : {24, 16, 8, 0}) image.push_back(static_cast<uint8_t>(side >> shift));
    image.resize(64, 0);
    return image;
}

Bytes iconFile(const std::vector<std::pair<unsigned, Bytes>>& images) {
    Bytes file;
    appendU16(file, 0);
    appendU16(file, 1);
    appendU16(file, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const auto& [side, data] : images) {
        file.push_back(static_cast<uint8_t>(side >= 256 ? 0 : side));
        file.push_back(static_cast<uint8_t>(side >= 256 ? 0 : side));
        file.insert(file.end(), {0, 0, 0, 0, 0, 0});
        appendU32(file, static_cast<uint32_t>(data.size()));
        appendU32(file, offset);
        offset += static_cast<uint32_t>(data.size());
    }
    for (const auto& image : images) file.insert(file.end(), image.second.begin(), image.second.end());
    return file;
}

TEST(IconFile, ReadsBitmapAndPngImages) {
    std::vector<IconImage> images = readIconFile(iconFile({{16, bitmapImage(16)}, {256, pngImage(256)}}));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 16u);
    EXPECT_EQ(images[0].bitCount, 32); // taken from the bitmap when the directory says 0
    EXPECT_FALSE(images[0].png);
    EXPECT_EQ(images[1].width, 256u);
    EXPECT_TRUE(images[1].png);
}

struct BadIcon {
    const char* name;
    std::function<Bytes()> file;
    const char* problem;
};
void PrintTo(const BadIcon& b, std::ostream* out) { *out << b.name; }

class BadIconFile : public testing::TestWithParam<BadIcon> {};

TEST_P(BadIconFile, IsRefused) {
    try {
        readIconFile(GetParam().file());
        FAIL() << "accepted";
    } catch (const PackError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().problem), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadIconFile,
    testing::Values(
        BadIcon{"Png", [] { return pngImage(16); }, "not an icon file"},
        BadIcon{"NoImages", [] { return iconFile({}); }, "no image"},
        BadIcon{"DirectoryCutShort", [] { Bytes f = iconFile({{16, bitmapImage(16)}}); f.resize(12); return f; }, "cut short"},
        BadIcon{"ImagePastTheEnd", [] { Bytes f = iconFile({{16, bitmapImage(16)}}); f.resize(f.size() - 1); return f; }, "outside the file"},
        BadIcon{"BitmapOfAnotherSize", [] { return iconFile({{32, bitmapImage(16)}}); }, "says 32x32 but its bitmap is 16x16"},
        BadIcon{"PngOfAnotherSize", [] { return iconFile({{48, pngImage(64)}}); }, "says 48x48 but its PNG image is 64x64"},
        BadIcon{"BitmapShorterThanItsPixels", [] { Bytes b = bitmapImage(16); b.resize(200); return iconFile({{16, b}}); }, "shorter than its bitmap"},
        BadIcon{"NeitherPngNorBitmap", [] { return iconFile({{16, Bytes(64, 0xFF)}}); }, "neither a PNG nor a bitmap"}),
    [](const testing::TestParamInfo<BadIcon>& info) { return std::string(info.param.name); });

TEST(IconFile, ReplacesTheFirstGroupAndOnlyItsImages) {
    auto group = [](std::vector<uint16_t> ids) {
        Bytes g = {0, 0, 1, 0, static_cast<uint8_t>(ids.size()), 0};
        for (uint16_t id : ids) {
            g.insert(g.end(), {16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0});
            appendU16(g, id);
        }
        return Resource{{kRtGroupIcon, {}}, {0, {}}, 0x407, 0, g};
    };
    Resource first = group({1, 2});
    first.name = {5, {}};
    Resource second = group({3});
    second.name = {9, {}};
    ResourceList resources = {test::resource(kRtIcon, 1, 0x407, "old1"), test::resource(kRtIcon, 2, 0x407, "old2"),
                              test::resource(kRtIcon, 3, 0x407, "other"), second, first};
    replaceIcon(resources, readIconFile(iconFile({{16, bitmapImage(16)}, {32, bitmapImage(32)}, {256, pngImage(256)}})));

    std::vector<uint16_t> iconIds;
    for (const Resource& r : resources) {
        if (r.type.id == kRtIcon) iconIds.push_back(r.name.id);
    }
    EXPECT_EQ(iconIds, (std::vector<uint16_t>{3, 1, 2, 4})); // "other" kept, new ones in the free numbers
    const Resource& replaced = resources.back();
    EXPECT_EQ(replaced.name.id, 5);
    EXPECT_EQ(replaced.language, 0x407);
    EXPECT_EQ(iconSizes({replaced}), (std::vector<std::string>{"16x16 32x32 256x256"}));
    EXPECT_EQ(iconSizes(resources).size(), 2u);
}

} // namespace
} // namespace launcher::pack
