#include "install/ArchiveFormat.h"

#include "install/TarReader.h"
#include "install/Zlib.h"
#include "install/ZipReader.h"

namespace launcher {

std::unique_ptr<ArchiveReader> openArchiveReader(ByteSource& source, std::u16string& error) {
    // Both readers need zlib, for inflating and for the CRC-32 of entries.
    if (!zlibFunctions()) {
        error = u"The archive could not be unpacked: zlib could not be loaded (" + zlibLoadError() + u").";
        return nullptr;
    }
    uint8_t magic[4] = {};
    const bool read = source.read(0, magic);
    if (read && magic[0] == 'P' && magic[1] == 'K') {
        auto zip = std::make_unique<ZipReader>(source);
        if (!zip->open()) {
            error = zip->error();
            return nullptr;
        }
        return zip;
    }
    if (read && magic[0] == 0x1f && magic[1] == 0x8b) return std::make_unique<TarReader>(source);
    error = u"The file is neither a zip archive nor a .tar.gz archive.";
    return nullptr;
}

} // namespace launcher
