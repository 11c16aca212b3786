#include "ui/ExceptionDialog.win32.h"
#include "base/Wide.win32.h"
#include "ui/DialogIds.h"
#include "ui/DialogPlacement.win32.h"

namespace launcher {

namespace {

// Sent when a per-monitor aware window moves to a monitor of another scale
// (not in the headers of the systems this builds for).
constexpr UINT kDpiChanged = 0x02E0;

// The dialog's scale; 96 where the system knows only one (before Windows 10).
int dpiOf(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = dpiForWindow ? dpiForWindow(window) : 0;
    return dpi ? static_cast<int>(dpi) : 96;
}

// The system lays a dialog's controls out again at the new scale; this
// dialog's own anchoring does that, and the two must not fight. Fonts are
// still the system's to renew (Windows 10 1703 and later).
void keepControlLayout(HWND dialog) {
    using DpiChangeBehavior = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableControlRelayout = 4;
    auto setBehavior = reinterpret_cast<DpiChangeBehavior>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (setBehavior) setBehavior(dialog, kDisableControlRelayout, kDisableControlRelayout);
}

// An edit control breaks lines only at "\r\n"; a trace may use "\n" alone.
std::u16string withControlLineBreaks(const std::u16string& text) {
    std::u16string shown;
    shown.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) shown.push_back(u'\r');
        shown.push_back(text[i]);
    }
    return shown;
}

} // namespace

INT_PTR ExceptionDialog::run() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog::kJavaException), GetActiveWindow(),
                           &dialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ExceptionDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<ExceptionDialog*>(lParam)->dialog_ = dialog;
    }
    auto* self = reinterpret_cast<ExceptionDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->handle(message, wParam, lParam) : FALSE;
}

INT_PTR ExceptionDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise();
        // The focus goes to the default button, not into the trace.
        SetFocus(GetDlgItem(dialog_, IDOK));
        return FALSE;
    case WM_GETMINMAXINFO:
        if (minimumSize_.cx > 0) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {minimumSize_.cx, minimumSize_.cy};
        }
        return TRUE;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED || !grip_) return FALSE;
        ShowWindow(grip_, wParam == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
        placeControls(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case kDpiChanged:
        followScale(LOWORD(wParam));
        // The system goes on: it renews the fonts and resizes the dialog to
        // the suggested rectangle, and WM_SIZE places the controls.
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog_, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void ExceptionDialog::initialise() {
    SendDlgItemMessageW(dialog_, dialog::kErrorIcon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_HAND)),
                        0);
    HWND edit = GetDlgItem(dialog_, dialog::kTraceEdit);
    SetWindowTextW(edit, wide(withControlLineBreaks(trace_)));
    SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
    centreDialog(dialog_);
    setUpResizing();
}

void ExceptionDialog::followScale(int dpi) {
    if (dpi <= 0 || dpi == dpi_ || anchored_.empty()) return;
    const Box client = scaledBox({0, 0, initialClient_.cx, initialClient_.cy}, dpi_, dpi);
    initialClient_ = {client.right, client.bottom};
    const Box minimum = scaledBox({0, 0, minimumSize_.cx, minimumSize_.cy}, dpi_, dpi);
    minimumSize_ = {minimum.right, minimum.bottom};
    for (Anchored& item : anchored_) item.box = scaledBox(item.box, dpi_, dpi);
    dpi_ = dpi;
}

void ExceptionDialog::setUpResizing() {
    dpi_ = dpiOf(dialog_);
    keepControlLayout(dialog_);
    SetWindowLongPtrW(dialog_, GWL_STYLE, GetWindowLongPtrW(dialog_, GWL_STYLE) | WS_CLIPCHILDREN);
    SetWindowLongPtrW(dialog_, GWL_EXSTYLE, GetWindowLongPtrW(dialog_, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
    // No small icon: the caption shows none.
    if (!SendMessageW(dialog_, WM_GETICON, ICON_SMALL, 0)) SendMessageW(dialog_, WM_SETICON, ICON_SMALL, 0);
    SetWindowPos(dialog_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);

    RECT client{};
    GetClientRect(dialog_, &client);
    grip_ = CreateWindowExW(0, L"SCROLLBAR", nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                            client.left, client.top, client.right, client.bottom, dialog_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(dialog::kSizeGrip)),
                            GetModuleHandleW(nullptr), nullptr);
    RECT window{};
    GetWindowRect(dialog_, &window);
    minimumSize_ = {window.right - window.left, window.bottom - window.top};
    initialClient_ = {client.right, client.bottom};

    anchor(GetDlgItem(dialog_, dialog::kExceptionGroup), kGrowWidth | kGrowHeight);
    anchor(GetDlgItem(dialog_, dialog::kExceptionIntro), kGrowWidth);
    anchor(GetDlgItem(dialog_, dialog::kTraceEdit), kGrowWidth | kGrowHeight);
    anchor(GetDlgItem(dialog_, dialog::kIgnoreHint), kGrowWidth | kMoveDown);
    anchor(GetDlgItem(dialog_, dialog::kStopWarning), kGrowWidth | kMoveDown);
    anchor(GetDlgItem(dialog_, IDOK), kMoveRight | kMoveDown);
    anchor(GetDlgItem(dialog_, IDCANCEL), kMoveRight | kMoveDown);
    // The grip stays in the corner it was aligned to.
    anchor(grip_, kMoveRight | kMoveDown);
}

void ExceptionDialog::anchor(HWND control, unsigned anchors) {
    if (!control) return;
    anchored_.push_back({control, boxInDialog(dialog_, control), anchors});
}

void ExceptionDialog::placeControls(int width, int height) {
    const int dx = width - initialClient_.cx;
    const int dy = height - initialClient_.cy;
    SendMessageW(dialog_, WM_SETREDRAW, FALSE, 0);
    for (const Anchored& item : anchored_) {
        const Box box = anchoredBox(item.box, item.anchors, dx, dy);
        SetWindowPos(item.control, nullptr, box.left, box.top, box.width(), box.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageW(dialog_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

} // namespace launcher
