#include "vmopts/ClassPath.h"

#include "base/FileFinder.h"
#include "base/Wide.win32.h"

#include <windows.h>

#include <optional>

namespace launcher {

namespace {

// The result without the long-path prefix that the query needed: the
// runtime gets the path in the form the user wrote it.
std::u16string withoutLongPrefix(std::u16string path) {
    if (hasLongUncPrefix(path)) return u"\\\\" + path.substr(8);
    if (path.rfind(u"\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

std::optional<std::u16string> shortPathName(std::u16string_view path) {
    // Beyond MAX_PATH the query takes the path only in its long-path form.
    std::u16string text = longPathPattern(path);
    DWORD size = GetShortPathNameW(wide(text), nullptr, 0);
    std::u16string buffer;
    while (size != 0) {
        buffer.assign(size, u'\0');
        DWORD length = GetShortPathNameW(wide(text), wide(buffer), size);
        if (length == 0) return std::nullopt;
        // A result that fits reports its length without the terminating
        // zero; one that does not reports the size it needs.
        if (length < size) {
            buffer.resize(length);
            return withoutLongPrefix(std::move(buffer));
        }
        size = length;
    }
    return std::nullopt;
}

} // namespace

std::u16string shortFormOf(std::u16string_view path) {
    return shortPathName(path).value_or(std::u16string(path));
}

// A character the ANSI code page lacks would reach the runtime as "?" and
// name no file. The 8.3 form consists of characters the file system chose to
// be representable; where the volume keeps no short names, or the short
// form still does not survive, the path goes as written.
std::u16string narrowSafePath(std::u16string_view path) {
    if (survivesNarrowing(path)) return std::u16string(path);
    std::optional<std::u16string> shortForm = shortPathName(path);
    if (shortForm && survivesNarrowing(*shortForm)) return *shortForm;
    return std::u16string(path);
}

} // namespace launcher
