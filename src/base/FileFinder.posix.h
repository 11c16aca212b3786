#pragma once
// The Linux search's name matching, shared with its checks.

#include <string_view>

namespace launcher {

// True when a directory entry's name matches the last component of a
// search pattern, by the rules of the Windows search: "*" any run of
// characters, "?" exactly one, everything else literal (brackets and
// backslashes included), "*.*" every name. Characters are UTF-16 units of
// the UTF-8 text, as on Windows; when either side is not UTF-8 they are
// its bytes. Letter case counts, as Linux names are case-sensitive.
bool searchNameMatches(std::string_view pattern, std::string_view name);

} // namespace launcher
