#pragma once
// Where the launcher's dialogs appear on the screen.

#include <windows.h>

namespace launcher {

// Centres the dialog over its owner when the owner is visible and not
// minimised, otherwise over the work area of the nearest monitor, and keeps
// it inside that work area.
void centreDialog(HWND dialog);

} // namespace launcher
