#pragma once
// The application's identity on the Windows taskbar ("App User Model ID"):
// the shell groups the windows, pinned shortcuts and notifications that
// carry the same one. The rule of its value is shared by the launcher and
// launcher-pack, so that a package never carries an identity its launcher
// would refuse.

#include <string_view>

namespace launcher {

inline constexpr std::u16string_view kAppUserModelIdKey = u"App User Model ID";

// Windows takes at most 128 characters and no spaces.
inline constexpr size_t kAppUserModelIdLimit = 128;

// Whether id is an identity Windows takes: 1 to 128 UTF-16 units, none of
// them a space (of any width) or a control character.
bool isAppUserModelId(std::u16string_view id);

} // namespace launcher
