#include "install/Zlib.h"

namespace launcher {

const ZlibFunctions* zlibFunctions() {
    static const ZlibFunctions linked{&inflateInit2_, &inflate, &inflateEnd, &inflateReset, &crc32};
    return &linked;
}

std::u16string zlibLoadError() {
    return {};
}

} // namespace launcher
