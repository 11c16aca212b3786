#pragma once
// A runtime's files lie deep below the user's local application data; an
// absolute path past MAX_PATH is handed to the system in its "\\?\" form,
// which has no such limit.

#include <string>

namespace launcher {

std::u16string systemPath(const std::u16string& path);

} // namespace launcher
