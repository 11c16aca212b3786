#pragma once
// Icon files (.ico) and the executable's icon resources built from them: one
// RT_ICON per image and an RT_GROUP_ICON directory that names them.

#include "ResourceTree.h"

namespace launcher::pack {

struct IconImage {
    unsigned width = 0; // in pixels: 1 to 256
    unsigned height = 0;
    uint8_t colorCount = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    bool png = false;
    Bytes data;
};

// The images of an .ico file. Throws PackError when the file is not an icon
// or its directory disagrees with the images (offsets, lengths, pixel sizes).
std::vector<IconImage> readIconFile(const Bytes& file);

// Replaces the first icon group (the one the shell shows for the executable)
// and the images it names with the given images; the group keeps its name and
// language. The new images take the smallest numbers no other icon uses.
void replaceIcon(ResourceList& resources, const std::vector<IconImage>& images);

// Each group's images as "WxH", in group order, for reports.
std::vector<std::string> iconSizes(const ResourceList& resources);

} // namespace launcher::pack
