#include "base/RawVariable.h"
#include "base/RawVariable.posix.h"

#include <cstdlib>

namespace launcher {

std::optional<std::u16string> getEnvironmentVariable(std::u16string_view name) {
    std::string key = toNarrow(name);
    if (!isUsableName(key)) return std::nullopt;
    const char* value = std::getenv(key.c_str());
    if (!value) return std::nullopt;
    return fromNarrow(value);
}

} // namespace launcher
