#include "base/PathText.h"
#include "base/Platform.h"

namespace launcher {

std::u16string folderOf(std::u16string_view path) {
    size_t cut = path.rfind(kPathSeparator);
    return std::u16string(cut == std::u16string_view::npos ? path : path.substr(0, cut));
}

std::u16string fileNameOf(std::u16string_view path) {
    size_t cut = path.rfind(kPathSeparator);
    return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

std::u16string joinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string out(folder);
    if (!out.empty() && out.back() != kPathSeparator) out.push_back(kPathSeparator);
    out.append(name);
    return out;
}

bool isAbsoluteWindowsPath(std::u16string_view path) {
    if (path.size() < 2) return false;
    return (path[0] == u'\\' && path[1] == u'\\') || path[1] == u':';
}

bool isAbsolutePosixPath(std::u16string_view path) {
    return !path.empty() && path[0] == u'/';
}

bool isAbsolutePath(std::u16string_view path) {
    return kWindows ? isAbsoluteWindowsPath(path) : isAbsolutePosixPath(path);
}

} // namespace launcher
