#pragma once
// The modal dialog that tells the user which runtime the application needs
// and lets them browse for one that is already installed; with an offer it
// also installs the vendor's pinned runtime, its progress in place of the
// dialog's body.

#include "jre/RuntimeCriteria.h"
#include "ui/HyperlinkControl.win32.h"
#include "ui/InstallOffer.h"
#include "ui/InstallWorker.win32.h"

#include <windows.h>

#include <string>
#include <vector>

namespace launcher {

class JreNotFoundDialog {
public:
    JreNotFoundDialog(std::u16string message, JvmTypeCode type, InstallOffer offer = {})
        : message_(std::move(message)), type_(type), offer_(std::move(offer)) {}

    // Runs the dialog owned by the active window: IDOK after a valid pick was
    // confirmed or the offered runtime was installed, IDCANCEL, or -1 when
    // it could not be shown.
    INT_PTR run();

    // The dialog ended with the offered runtime in place.
    bool installed() const { return installed_; }

    const std::u16string& chosenFolder() const { return chosenFolder_; }
    const std::u16string& chosenJvmPath() const { return chosenJvmPath_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void browse();
    // A folder the user picked: shown, remembered and validated.
    void pick(const std::u16string& folder);

    // The Install button, its size line (the default button) and the
    // hidden progress controls; false when they could not be made.
    bool addInstallControls();
    void startInstall();
    // The worker's messages; false for one that is not the worker's.
    bool onInstallMessage(UINT message);
    // Between the dialog's body and the progress shown in its place.
    void showProgressBody(bool progress);
    // Makes the Install button or OK the default button.
    void makeDefault(int id);

    std::u16string message_;
    JvmTypeCode type_;
    HWND dialog_ = nullptr;
    std::u16string chosenFolder_;
    std::u16string chosenJvmPath_;
    HyperlinkControl link_;
    InstallOffer offer_;
    InstallWorker worker_;
    bool installed_ = false;
    std::vector<HWND> hiddenBody_; // the body's controls hidden while installing
};

} // namespace launcher
