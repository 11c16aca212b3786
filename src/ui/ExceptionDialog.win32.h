#pragma once
// The modal, resizable dialog that shows the stack trace of an exception
// that ended the Java program's main, with Ignore and Stop.

#include "ui/DialogLayout.h"

#include <windows.h>

#include <string>
#include <vector>

namespace launcher {

class ExceptionDialog {
public:
    explicit ExceptionDialog(std::u16string trace) : trace_(std::move(trace)) {}

    // Runs the dialog owned by the active window: IDOK for Ignore, IDCANCEL
    // for Stop, Escape and the close box, -1 when it could not be shown.
    INT_PTR run();

private:
    struct Anchored {
        HWND control;
        Box box; // client coordinates at initialisation
        unsigned anchors;
    };

    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void initialise();
    void setUpResizing();
    void anchor(HWND control, unsigned anchors);
    void placeControls(int width, int height);
    // The dialog moved to a monitor of another scale: the layout's record
    // is scaled to it before the system resizes the dialog.
    void followScale(int dpi);

    std::u16string trace_;
    HWND dialog_ = nullptr;
    HWND grip_ = nullptr;
    SIZE minimumSize_{};
    SIZE initialClient_{};
    std::vector<Anchored> anchored_;
    int dpi_ = 96; // the scale the record above is at
};

} // namespace launcher
