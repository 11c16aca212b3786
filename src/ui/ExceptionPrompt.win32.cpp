#include "ui/ExceptionPrompt.h"
#include "base/ConsoleVariant.h"
#include "ui/ExceptionDialog.win32.h"

namespace launcher {

bool askToStopAfterException(std::u16string_view stackTrace) {
    if (isConsoleVariant()) {
        // The console program shows the trace where its user looks, and the
        // run goes on as if Ignore was chosen.
        writeStandardError(stackTrace);
        return false;
    }
    ExceptionDialog dialog{std::u16string(stackTrace)};
    // Anything but Ignore, a dialog that could not be shown included, stops.
    return dialog.run() != IDOK;
}

} // namespace launcher
