#pragma once
// Where the launcher's dialogs appear on the screen.

#include "ui/DialogLayout.h"

#include <windows.h>

namespace launcher {

// Centres the dialog over its owner when the owner is visible and not
// minimised, otherwise over the work area of the nearest monitor, and keeps
// it inside that work area.
void centreDialog(HWND dialog);

// A control's box in its dialog's client coordinates.
Box boxInDialog(HWND dialog, HWND control);

// Makes a word-wrapped static text as tall as its text needs, moving the
// controls below it down and growing the dialog, so that no line is cut off.
void fitTextHeight(HWND dialog, HWND text);

// Makes a band of height pixels at top: the controls below it move down,
// those across it grow, and the dialog grows by the band.
void insertBand(HWND dialog, int top, int height, HWND except = nullptr);

} // namespace launcher
