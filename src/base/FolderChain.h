#pragma once
// Creating the missing folders of a file path, and splitting a path into its
// components. The first component (drive, server, root or first folder) is
// never created.

#include "base/Text.h"

#include <cstdint>

namespace launcher {

// Components of a path: the first one carries any long-path prefix and the
// drive or server name; adjacent separators give empty components, a
// trailing one gives none.
TextList splitPathComponents(std::u16string_view path);

// Creates every folder of the path except the last component (the file
// name). Returns 0 when nothing failed or every failure was "already
// exists", else the last platform error recorded.
uint32_t createFolderChain(std::u16string_view path);

// Removes an empty folder; long paths go through their "\\?\" form.
bool removeFolder(std::u16string_view path);

// Creates one folder; returns 0 or the platform error code.
uint32_t createFolder(std::u16string_view path);

} // namespace launcher
