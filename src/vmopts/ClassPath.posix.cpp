#include "vmopts/ClassPath.h"

namespace launcher {

// Option strings are UTF-8 here, which carries every path.
std::u16string shortFormOf(std::u16string_view path) { return std::u16string(path); }

std::u16string narrowSafePath(std::u16string_view path) {
    return std::u16string(path);
}

} // namespace launcher
