#pragma once
// Functions of a shared library loaded at run time, bound by name.

#include <dlfcn.h>

namespace launcher {

// Sets function to the library's export of that name; false when the
// library has none (function is then null).
template <typename Function>
bool bindLibrarySymbol(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

} // namespace launcher
