#include "ui/ExceptionPrompt.h"
#include "ui/ExceptionDialog.win32.h"

namespace launcher {

bool askToStopAfterException(std::u16string_view stackTrace) {
    ExceptionDialog dialog{std::u16string(stackTrace)};
    // Anything but Ignore, a dialog that could not be shown included, stops.
    return dialog.run() != IDOK;
}

} // namespace launcher
