#include "ui/RuntimePrompt.h"
#include "base/Messages.h"

namespace launcher {

RuntimeAnswer askForRuntime(std::u16string_view message, JvmTypeCode) {
    // The message says what to install; the launch ends as if the user had
    // cancelled.
    showError(nullptr, message);
    return {};
}

} // namespace launcher
