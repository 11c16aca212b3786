#pragma once
// zlib's inflate with its stream state owned: the zip reader uses raw
// deflate data, the .tar.gz reader a gzip stream.

#include <zlib.h>

#include <cstdint>
#include <span>

namespace launcher {

class Inflater {
public:
    enum class Wrapping { Raw, Gzip };

    explicit Inflater(Wrapping wrapping) {
        // Negative window bits: no header at all (zip); 16 added: a gzip
        // header and trailer, whose CRC-32 zlib checks itself.
        ready_ = inflateInit2(&stream_, wrapping == Wrapping::Raw ? -MAX_WBITS : MAX_WBITS + 16) == Z_OK;
    }
    ~Inflater() {
        if (ready_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    z_stream& stream() { return stream_; }
    void reset() { inflateReset(&stream_); }

    // The input that inflate has not taken yet, and new input.
    size_t pendingInput() const { return stream_.avail_in; }
    void supply(std::span<const uint8_t> input) {
        stream_.next_in = const_cast<Bytef*>(input.data());
        stream_.avail_in = static_cast<uInt>(input.size());
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

inline uint32_t crc32Of(uint32_t crc, std::span<const uint8_t> bytes) {
    return static_cast<uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

} // namespace launcher
