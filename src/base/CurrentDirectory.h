#pragma once

#include <string_view>

namespace launcher {

// Makes folder the process's current directory; false when it cannot.
bool setCurrentDirectory(std::u16string_view folder);

} // namespace launcher
