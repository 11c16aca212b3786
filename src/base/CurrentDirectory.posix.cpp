#include "base/CurrentDirectory.h"
#include "base/Text.h"

#include <unistd.h>

namespace launcher {

bool setCurrentDirectory(std::u16string_view folder) {
    return chdir(toNarrow(folder).c_str()) == 0;
}

} // namespace launcher
