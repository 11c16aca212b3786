#include "base/FileFinder.h"

namespace launcher {

namespace {

constexpr std::u16string_view kLongUncPrefix = u"\\\\?\\UNC\\";

} // namespace

bool hasLongUncPrefix(std::u16string_view path) {
    return path.size() >= kLongUncPrefix.size() &&
           equalsIgnoreCase(path.substr(0, kLongUncPrefix.size()), kLongUncPrefix);
}

bool isUncPath(std::u16string_view path) {
    if (path.size() < 2 || path[0] != u'\\' || path[1] != u'\\') return false;
    // "\\?\C:\..." is a local path in long form; only its UNC form names a
    // server.
    if (startsWith(path, kLongPathPrefix)) return hasLongUncPrefix(path);
    return !(path.size() >= 3 && path[2] == u'?');
}

std::u16string longPathPattern(std::u16string_view pattern) {
    if (pattern.size() < kLongPathThreshold) return std::u16string(pattern);
    if (isUncPath(pattern) && !hasLongUncPrefix(pattern)) {
        std::u16string out(kLongUncPrefix);
        out.append(pattern.substr(2));
        return out;
    }
    if (startsWith(pattern, kLongPathPrefix)) return std::u16string(pattern);
    std::u16string out(kLongPathPrefix);
    out.append(pattern);
    return out;
}

std::u16string searchRoot(std::u16string_view fullPath, PathForm form) {
    size_t cut = fullPath.rfind(form.separator);
    if (form.windows) {
        size_t slash = fullPath.rfind(u'/');
        if (slash != std::u16string_view::npos && (cut == std::u16string_view::npos || slash > cut)) cut = slash;
    }
    return std::u16string(cut == std::u16string_view::npos ? fullPath : fullPath.substr(0, cut));
}

std::u16string absolutePosixPath(std::u16string_view path, std::u16string_view workingFolder) {
    std::u16string joined;
    if (path.empty() || path[0] != u'/') {
        joined.assign(workingFolder);
        joined.push_back(u'/');
    }
    joined.append(path);

    TextList kept;
    for (const std::u16string& part : splitString(joined, u"/")) {
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            // Above the root there is only the root, as with "/..".
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::u16string out;
    for (const std::u16string& part : kept) {
        out.push_back(u'/');
        out.append(part);
    }
    if (out.empty() || (!path.empty() && path.back() == u'/')) out.push_back(u'/');
    return out;
}

bool FileFinder::findFirst(std::u16string_view pattern) {
    close();
    found_ = false;
    root_.clear();
    if (pattern.size() > kLongestSearchPattern) return false;

    // Only Windows knows the long-path form; a Linux path is searched as it
    // is written.
    std::u16string searched = kWindows ? longPathPattern(pattern) : std::u16string(pattern);
    if (!startSearch(searched)) return false;

    // The root is taken from the pattern as the caller wrote it, so that
    // names built on it keep the caller's form.
    std::optional<std::u16string> full = fullPathName(pattern);
    if (!full) {
        close();
        setLastSystemError(kErrorInvalidName);
        return false;
    }
    root_ = searchRoot(*full);
    found_ = true;
    return true;
}

} // namespace launcher
