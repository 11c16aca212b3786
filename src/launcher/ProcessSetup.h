#pragma once

#include <string_view>

namespace launcher {

// Fixes the code page of every text conversion on this thread to the
// system default (Windows: the thread locale; Linux: the C library's
// character classification follows the environment).
void useSystemDefaultLocale();

// Gives the process its taskbar identity, which every window it opens
// afterwards carries: the system's result code, 0 when set. Linux has no
// such identity: nothing happens there, and the result is -1.
long setAppUserModelId(std::u16string_view id);

} // namespace launcher
