#include "IconFile.h"

#include <algorithm>
#include <set>

namespace launcher::pack {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kMaxSide = 1024;

bool isPng(const Bytes& data) {
    return data.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, data.begin());
}

uint32_t bigEndian32(const ByteView& view, size_t at) {
    return static_cast<uint32_t>(view.u8(at)) << 24 | static_cast<uint32_t>(view.u8(at + 1)) << 16 |
           static_cast<uint32_t>(view.u8(at + 2)) << 8 | view.u8(at + 3);
}

// A directory entry gives 0 for 256 pixels; a PNG image may be larger.
void checkPng(IconImage& image, const std::string& label) {
    ByteView view(image.data, label + " is a cut-short PNG image");
    if (bigEndian32(view, 12) != 0x49484452) throw PackError(label + " is a PNG image without its header chunk");
    uint32_t width = bigEndian32(view, 16);
    uint32_t height = bigEndian32(view, 20);
    bool fits = (image.width == 256 ? width >= 256 && width <= kMaxSide : width == image.width) &&
                (image.height == 256 ? height >= 256 && height <= kMaxSide : height == image.height);
    if (!fits) throw PackError(label + " says " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                               " but its PNG image is " + std::to_string(width) + "x" + std::to_string(height));
    image.png = true;
    if (image.bitCount == 0) image.bitCount = 32;
}

// A bitmap image: header, colour table, colour pixels and the mask, each row
// padded to four bytes; its height counts both pictures.
void checkBitmap(IconImage& image, const std::string& label) {
    ByteView view(image.data, label + " is a cut-short bitmap");
    uint32_t headerSize = view.u32(0);
    auto width = static_cast<int32_t>(view.u32(4));
    auto height = static_cast<int32_t>(view.u32(8));
    uint16_t bits = view.u16(14);
    if (headerSize < 40 || headerSize > image.data.size()) throw PackError(label + " is neither a PNG nor a bitmap image");
    if (width != static_cast<int32_t>(image.width) || height != 2 * static_cast<int32_t>(image.height)) {
        throw PackError(label + " says " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                        " but its bitmap is " + std::to_string(width) + "x" + std::to_string(height / 2));
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        throw PackError(label + " has " + std::to_string(bits) + " bits per pixel");
    }
    uint64_t colours = view.u32(32);
    if (colours == 0 && bits <= 8) colours = uint64_t{1} << bits;
    uint64_t colourRow = (uint64_t{image.width} * bits + 31) / 32 * 4;
    uint64_t maskRow = (uint64_t{image.width} + 31) / 32 * 4;
    uint64_t needed = headerSize + colours * 4 + (colourRow + maskRow) * image.height;
    if (needed > image.data.size()) throw PackError(label + " is shorter than its bitmap needs");
    if (image.bitCount == 0) image.bitCount = bits;
    if (image.planes == 0) image.planes = 1;
}

struct GroupEntry {
    IconImage image;
    uint16_t id = 0;
};

std::vector<GroupEntry> readGroup(const Bytes& group) {
    ByteView view(group, "an icon group is cut short");
    std::vector<GroupEntry> entries(view.u16(4));
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t at = 6 + i * 14;
        entries[i].image.width = view.u8(at) == 0 ? 256 : view.u8(at);
        entries[i].image.height = view.u8(at + 1) == 0 ? 256 : view.u8(at + 1);
        entries[i].image.bitCount = view.u16(at + 6);
        entries[i].id = view.u16(at + 12);
    }
    return entries;
}

Bytes writeGroup(const std::vector<IconImage>& images, const std::vector<uint16_t>& ids) {
    Bytes group;
    appendU16(group, 0);
    appendU16(group, 1);
    appendU16(group, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        group.push_back(static_cast<uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
        group.push_back(static_cast<uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
        group.push_back(images[i].colorCount);
        group.push_back(0);
        appendU16(group, images[i].planes);
        appendU16(group, images[i].bitCount);
        appendU32(group, static_cast<uint32_t>(images[i].data.size()));
        appendU16(group, ids[i]);
    }
    return group;
}

bool isType(const Resource& r, uint16_t type) { return r.type.text.empty() && r.type.id == type; }

} // namespace

std::vector<IconImage> readIconFile(const Bytes& file) {
    ByteView view(file, "the icon directory is cut short");
    if (file.size() < 6 || view.u16(0) != 0 || view.u16(2) != 1) throw PackError("not an icon file");
    uint16_t count = view.u16(4);
    if (count == 0) throw PackError("the icon file holds no image");
    view.need(6, size_t{count} * 16);
    std::vector<IconImage> images;
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = 6 + size_t{i} * 16;
        std::string label = "image " + std::to_string(i + 1);
        IconImage image;
        image.width = view.u8(at) == 0 ? 256 : view.u8(at);
        image.height = view.u8(at + 1) == 0 ? 256 : view.u8(at + 1);
        image.colorCount = view.u8(at + 2);
        image.planes = view.u16(at + 4);
        image.bitCount = view.u16(at + 6);
        uint32_t size = view.u32(at + 8);
        uint32_t offset = view.u32(at + 12);
        if (!view.fits(offset, size) || size < 8) throw PackError(label + " lies outside the file");
        image.data = view.slice(offset, size);
        if (isPng(image.data)) checkPng(image, label);
        else checkBitmap(image, label);
        images.push_back(std::move(image));
    }
    return images;
}

void replaceIcon(ResourceList& resources, const std::vector<IconImage>& images) {
    ResourceName groupName{1, {}};
    uint16_t language = 0x409;
    std::set<uint16_t> oldIds;
    const Resource* first = nullptr;
    for (const Resource& r : resources) {
        if (isType(r, kRtGroupIcon) && (!first || resourceNameLess(r.name, first->name))) first = &r;
    }
    if (first) {
        groupName = first->name;
        language = first->language;
        for (const GroupEntry& entry : readGroup(first->data)) oldIds.insert(entry.id);
    }
    std::erase_if(resources, [&](const Resource& r) {
        return (isType(r, kRtGroupIcon) && r.name == groupName) ||
               (isType(r, kRtIcon) && r.name.text.empty() && oldIds.count(r.name.id) != 0);
    });
    std::set<uint16_t> used;
    for (const Resource& r : resources) {
        if (isType(r, kRtIcon) && r.name.text.empty()) used.insert(r.name.id);
    }
    std::vector<uint16_t> ids;
    for (uint16_t id = 1; ids.size() < images.size() && id != 0; ++id) {
        if (used.count(id) == 0) ids.push_back(id);
    }
    if (ids.size() < images.size()) throw PackError("the executable has no free icon numbers left");
    for (size_t i = 0; i < images.size(); ++i) {
        Resource& icon = resources.emplace_back();
        icon.type.id = kRtIcon;
        icon.name.id = ids[i];
        icon.language = language;
        icon.data = images[i].data;
    }
    Resource& group = resources.emplace_back();
    group.type.id = kRtGroupIcon;
    group.name = groupName;
    group.language = language;
    group.data = writeGroup(images, ids);
}

std::vector<std::string> iconSizes(const ResourceList& resources) {
    std::vector<std::string> sizes;
    for (const Resource& r : resources) {
        if (!isType(r, kRtGroupIcon)) continue;
        std::string line;
        for (const GroupEntry& entry : readGroup(r.data)) {
            if (!line.empty()) line += ' ';
            line += std::to_string(entry.image.width) + "x" + std::to_string(entry.image.height);
        }
        sizes.push_back(line);
    }
    return sizes;
}

} // namespace launcher::pack
