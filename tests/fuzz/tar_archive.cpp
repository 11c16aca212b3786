// Feeds arbitrary tar files, gzipped here so that the fuzzer's changes reach
// the tar headers rather than break the compressed stream, to the .tar.gz
// reader and the entry checks.

#include "ArchiveFuzz.h"

#include <zlib.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 0;
    std::vector<uint8_t> packed(deflateBound(&stream, static_cast<uLong>(size)));
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    FUZZ_CHECK(status == Z_STREAM_END);
    launcher::fuzzArchive(packed);
    return 0;
}
