#pragma once
// Replacing a small file whole: the bytes go to a new file beside it,
// which is renamed over it, so that a reader (or a crash) finds either the
// old file or the new one, never half of one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace launcher {

// mode (Linux): the new file's permission bits, to keep the old file's;
// without it the new file gets 0644 under the umask. Windows ignores it.
// False when any step failed; the new file is then removed again.
bool replaceFileWhole(const std::u16string& path, std::string_view bytes, std::optional<uint32_t> mode = std::nullopt);

} // namespace launcher
