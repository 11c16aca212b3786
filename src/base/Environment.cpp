#include "base/Environment.h"

namespace launcher {

std::u16string expandEnvironmentCopy(std::u16string_view text) {
    std::u16string copy(text);
    expandEnvironment(copy);
    return copy;
}

} // namespace launcher
