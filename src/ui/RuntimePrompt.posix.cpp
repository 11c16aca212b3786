#include "ui/RuntimePrompt.h"
#include "base/Messages.h"

namespace launcher {

RuntimeAnswer askForRuntime(std::u16string_view message, JvmTypeCode, const InstallOffer&) {
    // The message says what to install; the launch ends as if the user had
    // cancelled. (The Linux launcher installs a pinned runtime before it
    // gets here: it offers nothing.)
    showError(nullptr, message);
    return {};
}

bool installWithProgress(const InstallOffer& offer) {
    // No window to show progress in: the install runs on this thread.
    if (!offer) return false;
    const std::atomic<bool> never{false};
    const std::u16string failure = offer.task([](uint64_t, std::optional<uint64_t>) {}, never);
    if (!failure.empty()) showError(nullptr, failure);
    return failure.empty();
}

} // namespace launcher
