#pragma once
// A zip archive read through its central directory: stored and deflated
// entries, the sizes and CRC-32 the directory records (which also covers
// entries written with a data descriptor). Zip64, encryption and several
// parts are refused.

#include "install/ArchiveReader.h"
#include "install/ByteSource.h"

#include <vector>

namespace launcher {

class ZipReader final : public ArchiveReader {
public:
    explicit ZipReader(ByteSource& source);

    // Finds the end record and the directory; false with error().
    bool open();
    // The number of entries the end record declares: modulo 65536 when an
    // archive holds more without Zip64.
    uint64_t entryCount() const { return entryCount_; }

    Step next(ArchiveEntry& entry) override;
    bool readData(const ByteSink& sink) override;

private:
    struct Current {
        std::string name;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint64_t packedSize = 0;
        uint64_t size = 0;
        uint64_t localOffset = 0;
        bool valid = false;
    };

    bool findEndRecord();
    bool readStored(uint64_t start, const ByteSink& sink, uint32_t& crc);
    bool readDeflated(uint64_t start, const ByteSink& sink, uint32_t& crc);

    ByteSource& source_;
    uint64_t directoryOffset_ = 0;
    uint64_t directoryEnd_ = 0;
    uint64_t cursor_ = 0;
    uint64_t entryCount_ = 0;
    uint64_t entriesRead_ = 0;
    Current current_;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
};

} // namespace launcher
