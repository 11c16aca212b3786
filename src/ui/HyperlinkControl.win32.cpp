// The hyperlink control's window procedure: mouse, keyboard, focus, fonts
// handed over by the dialog, and opening the link. How it is set up,
// measured and painted is in HyperlinkAppearance.win32.cpp.
#include "ui/HyperlinkControl.win32.h"
#include "base/Wide.win32.h"
#include "ui/Shell.win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

namespace launcher {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// Sent to each child once its per-monitor aware parent has moved to a
// monitor of another scale and laid its children out again (Windows 10
// 1703 and later; not in the headers of older systems).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

} // namespace

HyperlinkControl::~HyperlinkControl() { detach(); }

bool HyperlinkControl::attach(HWND control) {
    if (!comctl::SetWindowSubclass(control, &subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    window_ = control;
    initialise();
    return true;
}

void HyperlinkControl::detach() {
    if (!window_) return;
    comctl::RemoveWindowSubclass(window_, &subclassProc, kSubclassId);
    window_ = nullptr;
}

bool HyperlinkControl::insideLink(POINT point) const { return PtInRect(&linkRect_, point) != FALSE; }

void HyperlinkControl::open() {
    const auto result = reinterpret_cast<INT_PTR>(
        shell::ShellExecuteW(nullptr, L"open", wide(target_), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) return;
    visited_ = true;
    InvalidateRect(window_, nullptr, TRUE);
}

bool HyperlinkControl::handleMouse(UINT message, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_MOUSEMOVE:
        if (insideLink(point) && !target_.empty()) SetCursor(cursor_);
        return false;
    case WM_LBUTTONDOWN:
        if (!insideLink(point)) return false;
        SetFocus(window_);
        SetCapture(window_);
        return true;
    case WM_LBUTTONUP:
        if (GetCapture() != window_) return false;
        ReleaseCapture();
        // Pressing on the link and releasing elsewhere changes one's mind.
        if (insideLink(point)) open();
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK HyperlinkControl::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR self) {
    auto* link = reinterpret_cast<HyperlinkControl*>(self);
    if (message == WM_NCDESTROY) {
        comctl::RemoveWindowSubclass(window, &subclassProc, kSubclassId);
        link->window_ = nullptr;
        return comctl::DefSubclassProc(window, message, wParam, lParam);
    }
    return link->handle(message, wParam, lParam);
}

LRESULT HyperlinkControl::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        if (tooltip_) {
            MSG relayed{window_, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
            SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        }
        if (handleMouse(message, lParam)) return 0;
        return comctl::DefSubclassProc(window_, message, wParam, lParam);
    }
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        if (!paintLabel_) break;
        if (wParam) {
            paint(reinterpret_cast<HDC>(wParam));
        } else {
            PAINTSTRUCT ps{};
            HDC dc = BeginPaint(window_, &ps);
            if (dc) paint(dc);
            EndPaint(window_, &ps);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        // The background is painted together with the text.
        return 1;
    case WM_SETCURSOR: {
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(window_, &point);
        if (insideLink(point) && !target_.empty()) {
            SetCursor(cursor_);
            return TRUE;
        }
        break;
    }
    case WM_CHAR:
        if (wParam == 13 || wParam == 32) {
            open();
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (paintLabel_) InvalidateRect(window_, nullptr, TRUE);
        break;
    case WM_ENABLE:
        InvalidateRect(window_, nullptr, TRUE);
        UpdateWindow(window_);
        break;
    case WM_SETFONT:
        ownedNormalFont_.reset();
        normalFont_ = reinterpret_cast<HFONT>(wParam);
        createLinkFont();
        computeLinkRect();
        if (LOWORD(lParam)) {
            InvalidateRect(window_, nullptr, TRUE);
            UpdateWindow(window_);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(normalFont_);
    case kDpiChangedAfterParent:
        followScale();
        return 0;
    case WM_SIZE:
        computeLinkRect();
        InvalidateRect(window_, nullptr, TRUE);
        break;
    case WM_UPDATEUISTATE:
        return 0;
    case WM_DESTROY:
        tooltip_.reset();
        linkFont_.reset();
        ownedNormalFont_.reset();
        normalFont_ = nullptr;
        break;
    default:
        break;
    }
    return comctl::DefSubclassProc(window_, message, wParam, lParam);
}

} // namespace launcher
