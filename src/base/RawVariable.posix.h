#pragma once
// The C library's view of a variable's name, for reading and for setting.

#include <string_view>

namespace launcher {

// Names that the C library cannot look up or set: empty, or holding "="
// or a zero.
inline bool isUsableName(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view("=\0", 2)) == std::string_view::npos;
}

} // namespace launcher
