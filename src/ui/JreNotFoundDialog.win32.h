#pragma once
// The modal dialog that tells the user which runtime the application needs
// and lets them browse for one that is already installed.

#include "jre/RuntimeCriteria.h"
#include "ui/HyperlinkControl.win32.h"

#include <windows.h>

#include <string>

namespace launcher {

class JreNotFoundDialog {
public:
    JreNotFoundDialog(std::u16string message, JvmTypeCode type) : message_(std::move(message)), type_(type) {}

    // Runs the dialog owned by the active window: IDOK after a valid pick was
    // confirmed, IDCANCEL, or -1 when it could not be shown.
    INT_PTR run();

    const std::u16string& chosenFolder() const { return chosenFolder_; }
    const std::u16string& chosenJvmPath() const { return chosenJvmPath_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void browse();
    // A folder the user picked: shown, remembered and validated.
    void pick(const std::u16string& folder);

    std::u16string message_;
    JvmTypeCode type_;
    HWND dialog_ = nullptr;
    std::u16string chosenFolder_;
    std::u16string chosenJvmPath_;
    HyperlinkControl link_;
};

} // namespace launcher
