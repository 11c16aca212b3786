#pragma once
// Reads the names of the libraries a Windows executable imports at load time
// from the file's bytes, so that tests can hold the launcher to a short list.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace launcher::test {

// The import table's library names in table order, or nothing when the bytes
// are not a well-formed PE image (truncated, offsets outside the file).
std::optional<std::vector<std::string>> importedLibraries(std::string_view image);

// The names a plain start may load: the kernel, the registry, windows and
// the C runtime. Case does not matter, as for the system loader.
bool isStartupLibrary(std::string_view name);

} // namespace launcher::test
