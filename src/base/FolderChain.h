#pragma once
// Creating the missing folders of a file path, and splitting a path into its
// components. The first component of an absolute path (drive, server or
// root) is never created; a relative path is taken from the working folder,
// so its first folder is created too.

#include "base/FileFinder.h"
#include "base/Text.h"

#include <cstdint>

namespace launcher {

// Components of a path: the first one carries any long-path prefix and the
// drive or server name; adjacent separators give empty components, a
// trailing one gives none. An empty path has no components.
TextList splitPathComponents(std::u16string_view path);
TextList splitPathComponents(std::u16string_view path, PathForm form);

// The file-system steps the chain takes; the platform's own in the
// launcher, a recording stand-in in tests.
class FolderSystem {
public:
    virtual ~FolderSystem() = default;
    // 0 when a file or folder of that path exists, else the error of the
    // test (which may itself be 0).
    virtual uint32_t findPath(std::u16string_view path) = 0;
    virtual uint32_t createFolder(std::u16string_view path) = 0;
    virtual bool removeFolder(std::u16string_view path) = 0;
};

// Creates every folder of the path except the last component (the file
// name). Returns 0 when the folders are in place (created now or already
// there), else the platform error of the creation that failed last.
// A local path stops at the first folder that cannot be created; a network
// path goes on, because its server and share levels cannot be created.
uint32_t createFolderChain(std::u16string_view path);
uint32_t createFolderChain(std::u16string_view path, PathForm form, FolderSystem& folders);

// Removes an empty folder; long paths go through their "\\?\" form.
bool removeFolder(std::u16string_view path);

// Creates one folder; returns 0 or the platform error code.
uint32_t createFolder(std::u16string_view path);

// 0 when a file or folder of that path exists, else the platform error of
// the search for it.
uint32_t findPathError(std::u16string_view path);

} // namespace launcher
