#include "ui/ExceptionPrompt.h"
#include "base/ConsoleVariant.h"
#include "ui/ExceptionDialog.win32.h"

namespace launcher {

ExceptionAnswer askAboutException(std::u16string_view stackTrace) {
    if (isConsoleVariant()) {
        // The console program shows the trace where its user looks.
        writeStandardError(stackTrace);
        return ExceptionAnswer::NotShown;
    }
    ExceptionDialog dialog{std::u16string(stackTrace)};
    // Anything but Ignore, a dialog that could not be shown included, stops.
    return dialog.run() == IDOK ? ExceptionAnswer::Ignore : ExceptionAnswer::Stop;
}

} // namespace launcher
