#include "ui/RuntimePrompt.h"
#include "base/ConsoleVariant.h"
#include "base/Messages.h"
#include "ui/InstallProgressView.win32.h"
#include "ui/JreNotFoundDialog.win32.h"

namespace launcher {

RuntimeAnswer askForRuntime(std::u16string_view message, JvmTypeCode type, const InstallOffer& offer) {
    if (isConsoleVariant()) {
        // A command-line program opens no dialog: the message says what to
        // install and, as the dialog's link would, where from; the launch
        // ends as if the user had cancelled.
        showError(nullptr, std::u16string(message) + u" " + kRuntimeDownloadAddress);
        return {};
    }
    JreNotFoundDialog dialog{std::u16string(message), type, offer};
    const INT_PTR result = dialog.run();
    if (result == -1) {
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) SetLastError(ERROR_OUTOFMEMORY);
        return {};
    }
    if (result != IDOK) return {};
    if (dialog.installed()) return {.installed = true};
    return {true, dialog.chosenFolder(), dialog.chosenJvmPath()};
}

bool installWithProgress(const InstallOffer& offer) {
    return offer && runInstallWindow(offer);
}

} // namespace launcher
