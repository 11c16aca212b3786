#include "install/GzipStream.h"

#include <algorithm>
#include <cstring>

namespace launcher {

namespace {

constexpr size_t kGzipChunk = 64 * 1024;

} // namespace

GzipStream::GzipStream(ByteSource& source) : source_(source), inflater_(Inflater::Wrapping::Gzip), input_(kGzipChunk) {
    if (!inflater_.ready()) error_ = u"The archive could not be unpacked: out of memory.";
}

// Reads the next piece of the file behind what inflate has not taken yet,
// so that a member's magic split across two pieces is still seen whole.
bool GzipStream::refill() {
    const size_t kept = inflater_.pendingInput();
    if (kept > 0) std::memmove(input_.data(), inflater_.stream().next_in, kept);
    std::span<uint8_t> piece(input_.data() + kept,
                             static_cast<size_t>(std::min<uint64_t>(input_.size() - kept, source_.size() - fed_)));
    if (!source_.read(fed_, piece)) {
        error_ = u"The archive could not be read.";
        return false;
    }
    fed_ += piece.size();
    inflater_.supply(std::span<const uint8_t>(input_.data(), kept + piece.size()));
    return true;
}

long long GzipStream::read(std::span<uint8_t> into) {
    if (!error_.empty()) return -1;
    z_stream& stream = inflater_.stream();
    stream.next_out = into.data();
    stream.avail_out = static_cast<uInt>(into.size());
    while (stream.avail_out > 0 && !ended_) {
        if (inflater_.pendingInput() == 0 && fed_ < source_.size() && !refill()) return -1;
        const int status = inflater_.inflate(Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            // Another member may follow; anything else after the first is
            // padding that gzip, too, ignores.
            if (inflater_.pendingInput() < 2 && fed_ < source_.size() && !refill()) return -1;
            if (inflater_.pendingInput() >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b) {
                inflater_.reset();
                continue;
            }
            ended_ = true;
        } else if (status == Z_BUF_ERROR && inflater_.pendingInput() == 0 && fed_ == source_.size()) {
            error_ = u"The archive ends early: it is damaged or cut short.";
            return -1;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            error_ = u"The archive is damaged: its compressed data is not valid.";
            return -1;
        }
    }
    return static_cast<long long>(into.size() - stream.avail_out);
}

} // namespace launcher
