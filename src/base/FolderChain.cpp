#include "base/FileFinder.h"
#include "base/FolderChain.h"
#include "base/PathText.h"
#include "base/Platform.h"

namespace launcher {

namespace {

constexpr size_t kLongUncPrefixLength = 8;

bool isAbsoluteIn(std::u16string_view path, PathForm form) {
    return form.windows ? isAbsoluteWindowsPath(path) : isAbsolutePosixPath(path);
}

// A path whose first component is an ordinary folder name, found below the
// working folder.
bool startsWithFolderName(std::u16string_view path, const std::u16string& first, PathForm form) {
    return !isAbsoluteIn(path, form) && !first.empty() && first != u"." && first != u"..";
}

class PlatformFolders final : public FolderSystem {
public:
    uint32_t findPath(std::u16string_view path) override { return findPathError(path); }
    uint32_t createFolder(std::u16string_view path) override { return launcher::createFolder(path); }
    bool removeFolder(std::u16string_view path) override { return launcher::removeFolder(path); }
};

} // namespace

TextList splitPathComponents(std::u16string_view path, PathForm form) {
    TextList components;
    if (path.empty()) return components;

    std::u16string_view prefix;
    std::u16string_view rest = path;
    if (form.windows && startsWith(path, kLongPathPrefix)) {
        size_t length = hasLongUncPrefix(path) ? kLongUncPrefixLength : kLongPathPrefix.size();
        prefix = path.substr(0, length);
        rest = path.substr(length);
    }

    // A server name keeps its two leading backslashes.
    size_t from = form.windows && isUncPath(rest) ? 2 : 0;
    size_t cut = rest.find(form.separator, from);
    std::u16string first(prefix);
    first.append(rest.substr(0, cut));
    components.push_back(std::move(first));
    if (cut == std::u16string_view::npos) return components;

    std::u16string_view remainder = rest.substr(cut + 1);
    size_t start = 0;
    while (start < remainder.size()) {
        size_t next = remainder.find(form.separator, start);
        if (next == std::u16string_view::npos) next = remainder.size();
        components.emplace_back(remainder.substr(start, next - start));
        start = next + 1;
    }
    return components;
}

TextList splitPathComponents(std::u16string_view path) {
    return splitPathComponents(path, kPlatformPathForm);
}

uint32_t createFolderChain(std::u16string_view path, PathForm form, FolderSystem& folders) {
    if (path.size() > 1 && isAbsoluteIn(path, form) && folders.findPath(path) == 0) return 0;

    bool network = form.windows && isUncPath(path);
    TextList components = splitPathComponents(path, form);
    if (components.empty()) return kErrorInvalidParameter;
    if (startsWithFolderName(path, components.front(), form)) components.insert(components.begin(), u".");

    std::u16string sofar = components.front();
    bool previousCreated = false;
    uint32_t result = 0;
    for (size_t level = 1; level + 1 < components.size(); ++level) {
        std::u16string candidate = sofar;
        candidate.push_back(form.separator);
        candidate.append(components[level]);

        uint32_t error = folders.createFolder(candidate);
        bool created = error == 0;
        if (error == kErrorAlreadyExists) error = 0;
        // The result tells whether the folders are there now, so a later
        // level that works makes up for an ignored failure above it.
        result = error;
        if (error != 0 && !network) {
            // Take back the level just made for this path if the next one
            // below it fails; a folder that was there before stays.
            if (level >= 2 && previousCreated) folders.removeFolder(sofar);
            return error;
        }
        previousCreated = created;
        sofar = std::move(candidate);
    }
    return result;
}

uint32_t createFolderChain(std::u16string_view path) {
    PlatformFolders folders;
    return createFolderChain(path, kPlatformPathForm, folders);
}

} // namespace launcher
