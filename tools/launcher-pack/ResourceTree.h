#pragma once
// An executable's resources as a flat list, read from the three-level
// resource directory (type, name, language) and written back as a new one.

#include "PeImage.h"

#include <string>

namespace launcher::pack {

inline constexpr uint16_t kRtIcon = 3;
inline constexpr uint16_t kRtRcData = 10;
inline constexpr uint16_t kRtGroupIcon = 14;
inline constexpr uint16_t kRtVersion = 16;

// A resource type or name: a number, or (when text is not empty) a string.
struct ResourceName {
    uint16_t id = 0;
    std::u16string text;

    bool operator==(const ResourceName&) const = default;
};

struct Resource {
    ResourceName type;
    ResourceName name;
    uint16_t language = 0;
    uint32_t codePage = 0;
    Bytes data;
};

using ResourceList = std::vector<Resource>;

// The image's resources in directory order. Throws PackError for a tree that
// points outside the file, loops or is deeper than three levels.
ResourceList readResources(const PeImage& image);

// A resource section for the given resources placed at sectionRva: the
// directories sorted as the loader's binary search expects (names before
// numbers, names by their upper-case text), then the data entries, the name
// strings and the data, each aligned.
Bytes buildResourceSection(ResourceList resources, uint32_t sectionRva);

// The order of the rebuilt directory.
bool resourceNameLess(const ResourceName& a, const ResourceName& b);

} // namespace launcher::pack
