#include "ui/DialogPlacement.win32.h"
#include "ui/DialogLayout.h"

namespace launcher {

namespace {

Box toBox(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

} // namespace

void centreDialog(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    const bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(overOwner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    RECT window{};
    GetWindowRect(dialog, &window);
    RECT over = monitor.rcWork;
    if (overOwner) GetWindowRect(owner, &over);
    const Box placed = centredBox(window.right - window.left, window.bottom - window.top, toBox(over),
                                  toBox(monitor.rcWork));
    SetWindowPos(dialog, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace launcher
