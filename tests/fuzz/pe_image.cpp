// Feeds arbitrary bytes to the executable, resource tree, icon and version
// readers of launcher-pack. Whatever reads must write back and read again to
// the same resources; whatever is refused is refused with a PackError.

#include "FuzzCheck.h"

#include "IconFile.h"
#include "PeWriter.h"
#include "ShowReport.h"
#include "VersionInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace launcher::pack;

namespace {

bool sameResource(const Resource& a, const Resource& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language && a.codePage == b.codePage &&
           a.data == b.data;
}

void checkRewrite(const PeImage& image, const ResourceList& resources) {
    Bytes rewritten;
    try {
        rewritten = withResources(image, resources);
    } catch (const PackError&) {
        return; // no room for another section
    }
    PeImage again = readPeImage(rewritten);
    ByteView view(again.file, "");
    FUZZ_CHECK(view.u32(again.checksumOffset()) == peChecksum(again.file, again.checksumOffset()));
    ResourceList read = readResources(again);
    FUZZ_CHECK(read.size() == resources.size());
    for (const Resource& r : resources) {
        FUZZ_CHECK(std::any_of(read.begin(), read.end(), [&](const Resource& x) { return sameResource(r, x); }));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Bytes bytes(data, data + size);
    try {
        PeImage image = readPeImage(bytes);
        ResourceList resources = readResources(image);
        if (resources.size() <= 64) checkRewrite(image, resources);
        describeExecutable(bytes, std::string("{fuzz}"));
    } catch (const PackError&) {
    }
    try {
        std::vector<IconImage> images = readIconFile(bytes);
        FUZZ_CHECK(!images.empty());
        ResourceList resources;
        replaceIcon(resources, images);
        FUZZ_CHECK(resources.size() == images.size() + 1);
    } catch (const PackError&) {
    }
    try {
        readVersionInfo(bytes);
    } catch (const PackError&) {
    }
    return 0;
}
