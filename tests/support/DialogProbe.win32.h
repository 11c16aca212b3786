#pragma once
// Probing the launcher's dialogs from another process, as a person would:
// their controls by id, their texts, where they sit and the colours the
// screen shows.

#include <windows.h>

#include <string>
#include <vector>

namespace launcher::test {

// A control of the dialog by its id; null when there is none.
HWND dialogControl(HWND dialog, int id);
// The text of a control in another process, asked of the control itself
// (GetWindowTextW does not ask another process's edit controls).
std::wstring controlText(HWND control);
// A window's rectangle in its parent's client coordinates.
RECT rectInParent(HWND window);
// Sends a message and waits at most a few seconds for the answer, so that
// a hung dialog fails the test instead of stopping it.
LRESULT sendWithin(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Polls until condition holds or timeoutMs passed; returns the last result.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs = 5000) {
    for (DWORD start = GetTickCount();; Sleep(25)) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
    }
}
// True when the screen shows at least one pixel of the colour inside the
// window.
bool showsColour(HWND window, COLORREF colour);

} // namespace launcher::test
