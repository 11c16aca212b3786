#include "install/LongPath.win32.h"

namespace launcher {

namespace {

constexpr size_t kShortPathLimit = 240;

} // namespace

std::u16string systemPath(const std::u16string& path) {
    if (path.size() < kShortPathLimit || path.starts_with(u"\\\\?\\")) return path;
    if (path.starts_with(u"\\\\")) return u"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() > 2 && path[1] == u':' && path[2] == u'\\') return u"\\\\?\\" + path;
    return path;
}

} // namespace launcher
