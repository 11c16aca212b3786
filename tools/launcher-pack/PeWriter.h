#pragma once
// Writes an executable with a new resource section, keeping every other
// section, the appended data and the headers' other fields as they were.

#include "ResourceTree.h"

namespace launcher::pack {

// The image with its resources replaced. The new directory goes into the old
// resource section when it fits there or that section is the last one;
// otherwise into a new last section (the old one stays, unused). Sizes, the
// resource directory entry and the checksum are set anew. Throws PackError
// when the headers have no room for another section.
Bytes withResources(const PeImage& image, const ResourceList& resources);

} // namespace launcher::pack
