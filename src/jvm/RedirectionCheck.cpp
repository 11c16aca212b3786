#include "jvm/RedirectionCheck.h"
#include "base/PathText.h"
#include "base/Platform.h"

namespace launcher {

TextList redirectPathParts(std::u16string_view absolutePath) {
    if (!isAbsolutePath(absolutePath)) return {};
    // The root: "/" on Linux; "X:\" or "\\server\share\" on Windows.
    size_t rootEnd = 1;
    if (kWindows) {
        if (absolutePath[1] == u':') {
            rootEnd = absolutePath.size() > 2 && absolutePath[2] == kPathSeparator ? 3 : 2;
        } else {
            size_t share = absolutePath.find(kPathSeparator, 2);
            size_t end = share == std::u16string_view::npos ? share : absolutePath.find(kPathSeparator, share + 1);
            rootEnd = end == std::u16string_view::npos ? absolutePath.size() : end + 1;
        }
    }
    std::u16string path(absolutePath.substr(0, rootEnd));
    TextList parts{path};
    for (const std::u16string& name : splitString(absolutePath.substr(rootEnd), std::u16string(1, kPathSeparator))) {
        if (name.empty() || name == u".") continue;
        if (name == u"..") return {};
        if (path.back() != kPathSeparator) path.push_back(kPathSeparator);
        path += name;
        parts.push_back(path);
    }
    return parts;
}

std::optional<RedirectRefusal> refuseServiceRedirect(const std::vector<PathPartFacts>& parts) {
    const PathPartFacts* lastExisting = nullptr;
    for (const PathPartFacts& part : parts) {
        if (!part.exists) {
            // What does not exist yet is created by the service; until then
            // whoever may add entries to the folder before it can make it a
            // link.
            if (lastExisting && lastExisting->othersMayAdd) {
                return RedirectRefusal{lastExisting->path,
                                       u"other users can create files and folders in it, so they can create "
                                       u"the rest of the path first"};
            }
            return std::nullopt;
        }
        if (part.link) return RedirectRefusal{part.path, u"is a link, which may lead to any file"};
        if (part.hardLinked) {
            return RedirectRefusal{part.path, u"has other names (hard links), which may lie in folders that other users "
                                              u"can change"};
        }
        if (part.foreignOwner) return RedirectRefusal{part.path, u"belongs to another user"};
        if (part.othersMayReplace) {
            return RedirectRefusal{part.path, part.folder ? u"other users can rename or replace what is in it"
                                                          : u"other users can write to it"};
        }
        lastExisting = &part;
    }
    return std::nullopt;
}

std::optional<RedirectRefusal> checkServiceRedirect(std::u16string_view path) {
    std::vector<PathPartFacts> facts = redirectPathFacts(path);
    if (facts.empty()) {
        return RedirectRefusal{std::u16string(path), u"is not a plain absolute path (relative, or going up with \"..\")"};
    }
    return refuseServiceRedirect(facts);
}

} // namespace launcher
