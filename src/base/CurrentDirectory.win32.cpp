#include "base/CurrentDirectory.h"
#include "base/Wide.win32.h"

#include <windows.h>

namespace launcher {

bool setCurrentDirectory(std::u16string_view folder) {
    std::u16string path(folder);
    return SetCurrentDirectoryW(wide(path)) != 0;
}

} // namespace launcher
