#include "ui/JreNotFoundDialog.win32.h"
#include "base/Messages.h"
#include "base/Wide.win32.h"
#include "jre/Bitness.h"
#include "jre/JvmLibrary.h"
#include "ui/DialogIds.h"
#include "ui/DialogPlacement.win32.h"
#include "ui/FolderPicker.win32.h"

namespace launcher {

INT_PTR JreNotFoundDialog::run() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(dialog::kJreNotFound), GetActiveWindow(),
                           &dialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK JreNotFoundDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<JreNotFoundDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
    }
    auto* self = reinterpret_cast<JreNotFoundDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->handle(message, wParam, lParam) : FALSE;
}

INT_PTR JreNotFoundDialog::handle(UINT message, WPARAM wParam, LPARAM) {
    if (onInstallMessage(message)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        initialise();
        if (offer_ && addInstallControls()) {
            // The default button gets the focus, so Enter installs.
            SetFocus(GetDlgItem(dialog_, dialog::kInstallButton));
            return FALSE;
        }
        return TRUE;
    case WM_COMMAND:
        if (worker_.running()) {
            // While installing only Cancel (or Esc, or closing) counts: it
            // ends the download; the body returns when the worker has ended.
            if (LOWORD(wParam) == IDCANCEL) {
                worker_.cancel();
                EnableWindow(GetDlgItem(dialog_, IDCANCEL), FALSE);
            }
            return TRUE;
        }
        switch (LOWORD(wParam)) {
        case dialog::kInstallButton:
            if (offer_) startInstall();
            return TRUE;
        case dialog::kBrowseButton:
            browse();
            return TRUE;
        case IDOK:
            // Enter reaches here even while OK is greyed out: only a valid
            // last pick may end the dialog with OK.
            if (!chosenJvmPath_.empty()) EndDialog(dialog_, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog_, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void JreNotFoundDialog::initialise() {
    HWND linkControl = GetDlgItem(dialog_, dialog::kDownloadLink);
    link_.setNormalFont(reinterpret_cast<HFONT>(SendMessageW(linkControl, WM_GETFONT, 0, 0)));
    link_.attach(linkControl);
    // The system's error icon, whatever the module's own icons are.
    SendDlgItemMessageW(dialog_, dialog::kErrorIcon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_HAND)),
                        0);
    SetDlgItemTextW(dialog_, dialog::kMessageText, wide(message_));
    // A long version requirement needs more lines than the template gives;
    // the dialog grows rather than cut off what to install.
    fitTextHeight(dialog_, GetDlgItem(dialog_, dialog::kMessageText));
    EnableWindow(GetDlgItem(dialog_, IDOK), FALSE);
    centreDialog(dialog_);
}

void JreNotFoundDialog::browse() {
    std::u16string folder = pickFolder(dialog_, loadMessage(MessageId::BrowseForJre));
    if (folder.empty()) return;
    pick(folder);
}

void JreNotFoundDialog::pick(const std::u16string& folder) {
    SetDlgItemTextW(dialog_, dialog::kJrePathEdit, wide(folder));
    chosenFolder_ = folder.empty() ? std::u16string() : withTrailingSeparator(folder);
    chosenJvmPath_ = folder.empty() ? std::u16string() : findJvmLibrary(chosenFolder_, type_).path;
    // A runtime of the other width would only fail in the loader with a bare
    // error code; say why it cannot be used and let the user pick again.
    if (!chosenJvmPath_.empty() && libraryTooWide(kProcessWidth, chosenJvmPath_)) {
        showFormattedError(dialog_, MessageId::RuntimeTooWide, chosenJvmPath_);
        chosenJvmPath_.clear();
    }
    EnableWindow(GetDlgItem(dialog_, IDOK), !chosenJvmPath_.empty());
    // A valid pick is what Enter should confirm from now on.
    if (offer_) makeDefault(chosenJvmPath_.empty() ? dialog::kInstallButton : IDOK);
}

} // namespace launcher
