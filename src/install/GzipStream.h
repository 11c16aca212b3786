#pragma once
// The expanded bytes of a gzip file, read front to back in pieces. zlib
// checks each member's CRC-32 and length; members that follow one another
// are read as one stream, as gzip itself does.

#include "install/ByteSource.h"
#include "install/Inflater.h"

#include <string>
#include <vector>

namespace launcher {

class GzipStream {
public:
    explicit GzipStream(ByteSource& source);

    // Fills into as far as the stream goes; the count read, or -1 with
    // error() when the data is damaged or cut short. Less than into.size()
    // only at the end.
    long long read(std::span<uint8_t> into);
    const std::u16string& error() const { return error_; }

private:
    bool refill();

    ByteSource& source_;
    Inflater inflater_;
    std::vector<uint8_t> input_;
    uint64_t fed_ = 0;
    bool ended_ = false;
    std::u16string error_;
};

} // namespace launcher
