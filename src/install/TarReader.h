#pragma once
// A .tar.gz archive read front to back: ustar headers, with the long names
// that vendors' archives carry as pax extended headers or GNU long-name
// entries. Tar keeps no checksum of the data; the gzip stream's CRC-32,
// checked by zlib at its end, covers the whole archive.

#include "install/ArchiveReader.h"
#include "install/GzipStream.h"

#include <optional>

namespace launcher {

class TarReader final : public ArchiveReader {
public:
    explicit TarReader(ByteSource& source);

    Step next(ArchiveEntry& entry) override;
    bool readData(const ByteSink& sink) override;

private:
    struct Pending {
        std::optional<std::string> name;
        std::optional<uint64_t> size;
        std::optional<std::string> linkTarget;
    };

    bool readBlock(uint8_t* block);
    bool skip(uint64_t count);
    bool drainPadding();
    bool readSpecial(uint64_t size, std::string& text);
    bool applyPax(const std::string& records, Pending& pending);

    GzipStream stream_;
    std::string name_;
    uint64_t left_ = 0;      // data of the current entry not read yet
    uint64_t padding_ = 0;   // then the zeros up to the next block
    bool current_ = false;
    std::vector<uint8_t> buffer_;
};

} // namespace launcher
