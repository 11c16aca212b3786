#pragma once
// The progress of an install as the windows show it: the common controls'
// progress bar (its library loaded on first use) and a line of bytes and
// percent; and the progress window of an install that asks nothing first.

#include "ui/InstallOffer.h"

#include <windows.h>

namespace launcher {

// Registers the progress bar's window class; false when it cannot be had.
bool loadProgressControl();
// Sets the bar up for the positions showInstallProgress gives it.
void prepareProgressBar(HWND bar);
void showInstallProgress(HWND bar, HWND status, uint64_t received, std::optional<uint64_t> total);

// Runs the offer's task in a progress window with a Cancel button, owned by
// the active window. True when the runtime was installed; a failure's
// message has been shown, a cancelled install says nothing more.
bool runInstallWindow(const InstallOffer& offer);

} // namespace launcher
