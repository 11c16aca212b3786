#include "ui/DialogPlacement.win32.h"
#include "base/Gdi.win32.h"

#include <algorithm>
#include <string>

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

Box boxInDialog(HWND dialog, HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return toBox(rect);
}

namespace {

// The height the text needs at the control's width, in pixels.
int neededTextHeight(HWND text, int width) {
    std::wstring content(static_cast<size_t>(GetWindowTextLengthW(text)) + 1, L'\0');
    content.resize(static_cast<size_t>(std::max(GetWindowTextW(text, content.data(), static_cast<int>(content.size())), 0)));
    HDC dc = GetDC(text);
    if (!dc) return 0;
    HGDIOBJ previous = gdi::SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, content.c_str(), static_cast<int>(content.size()), &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    gdi::SelectObject(dc, previous);
    ReleaseDC(text, dc);
    return needed.bottom - needed.top;
}

} // namespace

void fitTextHeight(HWND dialog, HWND text) {
    if (!text) return;
    const Box box = boxInDialog(dialog, text);
    const int extra = neededTextHeight(text, box.width()) - box.height();
    if (extra <= 0) return;
    SetWindowPos(text, nullptr, 0, 0, box.width(), box.height() + extra, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    insertBand(dialog, box.bottom, extra, text);
}

void insertBand(HWND dialog, int top, int height, HWND except) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == except) continue;
        const Box placed = roomBelowText(boxInDialog(dialog, child), top, height);
        SetWindowPos(child, nullptr, placed.left, placed.top, placed.width(), placed.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window{};
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace launcher
