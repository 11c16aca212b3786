#pragma once
// The full path of the running executable, read whole however long it is.

#include <cstdint>
#include <string>

namespace launcher {

// Returns 0 and the path, or the platform error code.
uint32_t readModulePath(std::u16string& path);

} // namespace launcher
