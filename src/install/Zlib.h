#pragma once
// The few functions of zlib that unpacking calls. The Windows builds link
// zlib's static library; the Linux launcher loads libz.so.1 when it first
// unpacks an archive, so that a plain start maps no library it does not use.

#include <zlib.h>

#include <string>

namespace launcher {

struct ZlibFunctions {
    // inflateInit2_, inflate, inflateEnd, inflateReset and crc32; named
    // apart from zlib's own, some of which are macros.
    int (*start)(z_streamp stream, int windowBits, const char* version, int streamSize) = nullptr;
    int (*step)(z_streamp stream, int flush) = nullptr;
    int (*end)(z_streamp stream) = nullptr;
    int (*reset)(z_streamp stream) = nullptr;
    uLong (*crc)(uLong crc, const Bytef* bytes, uInt length) = nullptr;
};

// The functions, or null when the library cannot be loaded; then
// zlibLoadError() says why.
const ZlibFunctions* zlibFunctions();
std::u16string zlibLoadError();

} // namespace launcher
