#pragma once
// Asking the user for a folder: the shell's folder browser. Its own file,
// so that a test build of the launcher can link a scripted picker instead
// and press Browse without a window that differs between systems.

#include <windows.h>

#include <string>

namespace launcher {

// The folder the user picked, owned by owner; empty when cancelled or
// when the pick has no file-system path.
std::u16string pickFolder(HWND owner, const std::u16string& title);

} // namespace launcher
