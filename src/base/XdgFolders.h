#pragma once
// The per-user folders of the XDG base directories (Linux). The rules say
// that a relative path in one of their variables is invalid and is to be
// ignored: taken as it is, it would put the user's files under whatever
// folder a start happened to begin in.

#include <optional>
#include <string>
#include <string_view>

namespace launcher {

// The folder that variable names when it is an absolute path; else home
// followed by fallback (for example "/.cache") when home is absolute; else
// empty, meaning unknown.
std::u16string xdgBaseFolder(const std::optional<std::u16string>& variable, const std::optional<std::u16string>& home,
                             std::u16string_view fallback);

} // namespace launcher
