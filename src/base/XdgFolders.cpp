#include "base/XdgFolders.h"

namespace launcher {

namespace {
// The variables hold POSIX paths on every build.
bool absoluteXdgPath(const std::optional<std::u16string>& path) { return path && !path->empty() && path->front() == u'/'; }
} // namespace

std::u16string xdgBaseFolder(const std::optional<std::u16string>& variable, const std::optional<std::u16string>& home,
                             std::u16string_view fallback) {
    if (absoluteXdgPath(variable)) return *variable;
    if (absoluteXdgPath(home)) return *home + std::u16string(fallback);
    return {};
}

} // namespace launcher
