#pragma once
// Asking the user for a runtime when the search found none.

#include "jre/RuntimeCriteria.h"
#include "ui/DownloadAddress.h"
#include "ui/InstallOffer.h"

#include <string>

namespace launcher {

// Where the runtime-not-found message sends the user (the dialog's link).
inline constexpr const char16_t* kRuntimeDownloadAddress = u"" RUNTIME_DOWNLOAD_ADDRESS;

struct RuntimeAnswer {
    bool confirmed = false;
    std::u16string folder;  // the picked runtime folder, ending in a separator
    std::u16string jvmPath; // its runtime library
    // The offered runtime was installed instead: the search finds it now.
    bool installed = false;
};

// Windows shows the runtime-not-found dialog with message, owned by the
// active window; a pick is valid when it holds a library of the type. The
// Linux port has nobody to ask: it prints the message, and the answer is a
// cancellation. A dialog that cannot be created for lack of memory leaves
// ERROR_OUTOFMEMORY as the thread's last error. With an offer the dialog
// also offers to install the vendor's pinned runtime.
RuntimeAnswer askForRuntime(std::u16string_view message, JvmTypeCode type, const InstallOffer& offer = {});

// Installs the offered runtime without asking: Windows shows only a
// progress window with a Cancel button. True when it was installed; a
// failure's message has been shown.
bool installWithProgress(const InstallOffer& offer);

} // namespace launcher
