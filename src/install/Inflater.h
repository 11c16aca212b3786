#pragma once
// zlib's inflate with its stream state owned: the zip reader uses raw
// deflate data, the .tar.gz reader a gzip stream. The readers are opened
// only once zlib is there (openArchiveReader).

#include "install/Zlib.h"

#include <cstdint>
#include <span>

namespace launcher {

class Inflater {
public:
    enum class Wrapping { Raw, Gzip };

    explicit Inflater(Wrapping wrapping) : zlib_(zlibFunctions()) {
        // Negative window bits: no header at all (zip); 16 added: a gzip
        // header and trailer, whose CRC-32 zlib checks itself.
        const int bits = wrapping == Wrapping::Raw ? -MAX_WBITS : MAX_WBITS + 16;
        ready_ = zlib_ && zlib_->start(&stream_, bits, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) == Z_OK;
    }
    ~Inflater() {
        if (ready_) zlib_->end(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return ready_; }
    z_stream& stream() { return stream_; }
    void reset() { zlib_->reset(&stream_); }
    // zlib's inflate on the stream: Z_OK, Z_STREAM_END or an error.
    int inflate(int flush) { return zlib_->step(&stream_, flush); }

    // The input that inflate has not taken yet, and new input.
    size_t pendingInput() const { return stream_.avail_in; }
    void supply(std::span<const uint8_t> input) {
        stream_.next_in = const_cast<Bytef*>(input.data());
        stream_.avail_in = static_cast<uInt>(input.size());
    }

private:
    const ZlibFunctions* zlib_;
    z_stream stream_{};
    bool ready_ = false;
};

inline uint32_t crc32Of(uint32_t crc, std::span<const uint8_t> bytes) {
    return static_cast<uint32_t>(zlibFunctions()->crc(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

} // namespace launcher
