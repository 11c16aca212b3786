// The runtime-not-found dialog's install of the vendor's pinned runtime:
// the Install button with its size line below the dialog's body, and the
// progress bar with its status line shown in the body's place while the
// worker installs and while the message of a failed install is read.

#include "base/Format.h"
#include "base/Gdi.win32.h"
#include "base/Messages.h"
#include "base/SystemError.h"
#include "base/Trace.h"
#include "base/Wide.win32.h"
#include "ui/DialogIds.h"
#include "ui/DialogPlacement.win32.h"
#include "ui/InstallProgressView.win32.h"
#include "ui/JreNotFoundDialog.win32.h"
#include "ui/ProgressText.h"

#include <commctrl.h>

#include <algorithm>

namespace launcher {

namespace {

// Dialog units to pixels of this dialog's font.
RECT dialogUnits(HWND dialog, int left, int top, int right, int bottom) {
    RECT rect{left, top, right, bottom};
    MapDialogRect(dialog, &rect);
    return rect;
}

HWND makeControl(HWND dialog, const wchar_t* className, const std::u16string& text, DWORD style, int id,
                 const Box& box) {
    HWND control = CreateWindowExW(0, className, wide(text), WS_CHILD | style, box.left, box.top, box.width(),
                                   box.height(), dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control) SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    return control;
}

// The width a push button needs for its text, in pixels.
int buttonWidthFor(HWND dialog, const std::u16string& text) {
    HDC dc = GetDC(dialog);
    if (!dc) return 0;
    // gdi32 is loaded on first use; DrawText measures through user32.
    HGDIOBJ previous = gdi::SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    RECT needed{};
    DrawTextW(dc, wide(text), static_cast<int>(text.size()), &needed, DT_CALCRECT | DT_SINGLELINE);
    gdi::SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    return needed.right - needed.left + dialogUnits(dialog, 0, 0, 16, 0).right;
}

} // namespace

bool JreNotFoundDialog::addInstallControls() {
    if (!loadProgressControl()) {
        // Without the progress bar there is no install to watch: the dialog
        // stays as it is without a pin.
        if (trace::on()) trace::line(u"pinned runtime: the progress bar cannot be had; no Install button");
        return false;
    }
    HWND browse = GetDlgItem(dialog_, dialog::kBrowseButton);
    const Box okBox = boxInDialog(dialog_, GetDlgItem(dialog_, IDOK));
    const Box icon = boxInDialog(dialog_, GetDlgItem(dialog_, dialog::kErrorIcon));
    const Box right = boxInDialog(dialog_, browse);
    const Box message = boxInDialog(dialog_, GetDlgItem(dialog_, dialog::kMessageText));
    const RECT unit = dialogUnits(dialog_, 0, 0, 4, 8); // a gap, a line
    const int left = boxInDialog(dialog_, GetDlgItem(dialog_, dialog::kBrowseHint)).left - unit.right;
    const int width = right.right - left;

    // The button where OK was, its line below it; OK and Cancel move down.
    const std::u16string label = formatMessage(loadMessage(MessageId::InstallButton), {offer_.productName});
    const int buttonWidth = std::clamp(buttonWidthFor(dialog_, label), right.width() * 2, width);
    const Box button{left, okBox.top, left + buttonWidth, okBox.bottom};
    const Box note{left, button.bottom + unit.right / 2, left + width, button.bottom + unit.right / 2 + unit.bottom};
    insertBand(dialog_, okBox.top, note.bottom + unit.right * 2 - okBox.top);
    HWND install = makeControl(dialog_, L"BUTTON", label, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                               dialog::kInstallButton, button);
    HWND line = makeControl(dialog_, L"STATIC", installNote(offer_.size), WS_VISIBLE | SS_LEFT, dialog::kInstallNote,
                            note);
    // In the body's place while installing: the status line where the
    // message starts, the bar below it.
    const Box status{icon.left, message.top, right.right, message.top + unit.bottom};
    const Box bar{icon.left, status.bottom + unit.right, right.right, status.bottom + unit.right + unit.bottom * 3 / 2};
    HWND statusLine = makeControl(dialog_, L"STATIC", {}, SS_LEFT, dialog::kInstallStatus, status);
    HWND progress = makeControl(dialog_, PROGRESS_CLASSW, {}, WS_BORDER, dialog::kInstallProgress, bar);
    if (!install || !line || !statusLine || !progress) return false;
    // Tab order: the Install button first.
    SetWindowPos(install, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    fitTextHeight(dialog_, line);
    prepareProgressBar(progress);
    makeDefault(dialog::kInstallButton);
    centreDialog(dialog_);
    if (trace::on()) trace::line(u"pinned runtime: the dialog offers to install it");
    return true;
}

void JreNotFoundDialog::makeDefault(int id) {
    const int other = id == IDOK ? dialog::kInstallButton : IDOK;
    SendMessageW(GetDlgItem(dialog_, other), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageW(GetDlgItem(dialog_, id), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SendMessageW(dialog_, DM_SETDEFID, static_cast<WPARAM>(id), 0);
}

void JreNotFoundDialog::startInstall() {
    showInstallProgress(GetDlgItem(dialog_, dialog::kInstallProgress), GetDlgItem(dialog_, dialog::kInstallStatus), 0,
                        offer_.size);
    if (!worker_.start(dialog_, offer_.task)) {
        showError(dialog_, systemErrorText(GetLastError()));
        return;
    }
    if (trace::on()) trace::line(u"pinned runtime: installing from the dialog");
    showProgressBody(true);
}

bool JreNotFoundDialog::onInstallMessage(UINT message) {
    if (message == InstallWorker::kProgressMessage) {
        uint64_t received = 0;
        std::optional<uint64_t> total;
        if (worker_.progress(received, total)) {
            showInstallProgress(GetDlgItem(dialog_, dialog::kInstallProgress),
                                GetDlgItem(dialog_, dialog::kInstallStatus), received, total);
        }
        return true;
    }
    if (message != InstallWorker::kFinishedMessage) return false;
    if (!worker_.finish()) return true;
    if (worker_.failure().empty()) {
        installed_ = true;
        EndDialog(dialog_, IDOK);
        return true;
    }
    // A cancelled install needs no message: the user asked for its end.
    if (worker_.cancelled()) {
        if (trace::on()) trace::line(u"pinned runtime: the install was cancelled; the dialog is back");
    } else {
        // The failure is read over the progress it ended, as in the
        // progress window: a refusal that comes within a moment of the
        // click would otherwise flash the progress by unseen, and the
        // message would seem to answer the click without an install.
        showError(dialog_, worker_.failure());
    }
    showProgressBody(false);
    return true;
}

void JreNotFoundDialog::showProgressBody(bool progress) {
    HWND cancel = GetDlgItem(dialog_, IDCANCEL);
    HWND status = GetDlgItem(dialog_, dialog::kInstallStatus);
    HWND bar = GetDlgItem(dialog_, dialog::kInstallProgress);
    if (progress) {
        hiddenBody_.clear();
        for (HWND child = GetWindow(dialog_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (child == cancel || child == status || child == bar || !IsWindowVisible(child)) continue;
            hiddenBody_.push_back(child);
            ShowWindow(child, SW_HIDE);
        }
        ShowWindow(status, SW_SHOW);
        ShowWindow(bar, SW_SHOW);
        SetFocus(cancel);
        return;
    }
    // The body whole first, the progress gone last: whoever sees no
    // progress (a reader of the window, an accessibility tool) sees the
    // dialog complete, never half of it. It is drawn once either way.
    for (HWND child : hiddenBody_) ShowWindow(child, SW_SHOW);
    hiddenBody_.clear();
    EnableWindow(cancel, TRUE);
    SetFocus(GetDlgItem(dialog_, dialog::kInstallButton));
    ShowWindow(status, SW_HIDE);
    ShowWindow(bar, SW_HIDE);
}

} // namespace launcher
