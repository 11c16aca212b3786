#pragma once
// Path arithmetic on text: cutting at the last separator and the absolute
// test, with the platform's separator.

#include "base/Text.h"

namespace launcher {

// Text up to the last path separator, without it (none: the whole text).
std::u16string folderOf(std::u16string_view path);
// Text after the last path separator (none: the whole text).
std::u16string fileNameOf(std::u16string_view path);
// folder + separator + name, without doubling a separator the folder ends in.
std::u16string joinPath(std::u16string_view folder, std::u16string_view name);

// Absolute: Windows "X:..." or "\\..." (at least two characters); Linux a
// leading "/".
bool isAbsolutePath(std::u16string_view path);
bool isAbsoluteWindowsPath(std::u16string_view path);
bool isAbsolutePosixPath(std::u16string_view path);

} // namespace launcher
