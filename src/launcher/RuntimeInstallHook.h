#pragma once
// Where the start installs the vendor's pinned runtime when the search found
// none. The launcher core does not link the installer (its readers and zlib
// stay out of a launcher that does not install); the entry point of a
// launcher that installs hands it in: either an installer that asks nobody
// and shows its own progress (the Linux launcher, the console variant), or
// the install step that the Windows launcher's windows run and show.

#include "config/RuntimeDownload.h"
#include "ui/InstallOffer.h"

#include <string>

namespace launcher {

// Installs pin into folder; false (after saying why) when nothing was.
using RuntimeInstaller = bool (*)(const RuntimeDownload& pin, const std::u16string& folder);
// One install of pin into folder on the calling thread; the failure's
// message, empty when the runtime is in place.
using RuntimeInstallStep = std::u16string (*)(const RuntimeDownload& pin, const std::u16string& folder,
                                              const InstallProgress& progress, const std::atomic<bool>& cancel);

void setRuntimeInstaller(RuntimeInstaller installer);
void setRuntimeInstallStep(RuntimeInstallStep step);

// How a start that found no runtime comes to the pinned one.
enum class PinnedInstallRoute {
    None,      // not at all: the dialog (or message) as without a pin
    Automatic, // installed without asking, then searched again
    Offered,   // the runtime-not-found dialog offers to install it
};

struct PinnedInstallFacts {
    bool configured = false;   // a pin and a folder for it
    std::u16string refused;    // why this start may not use the folder; empty when it may
    bool service = false;      // "Application Type=service": nobody to watch or ask
    bool automatic = false;    // "Runtime Download=Automatic"
    bool installer = false;    // an installer that asks nobody is set
    bool step = false;         // an install step for the windows is set
};

struct PinnedInstallPlan {
    PinnedInstallRoute route = PinnedInstallRoute::None;
    std::u16string why; // for the trace when the route is None and a pin is configured
};

PinnedInstallPlan planPinnedInstall(const PinnedInstallFacts& facts);

// The plan for this start with the installer and step set; traces a pin
// that is not installed and why.
PinnedInstallRoute pinnedInstallRoute(const RuntimeDownload& pin, const std::u16string& folder,
                                      const std::u16string& refused, bool service);

// Installs the pinned runtime into folder without asking (the installer,
// else the step in a progress window). True when a runtime was installed
// (or found installed meanwhile), so that the search is worth running again.
bool installPinnedRuntime(const RuntimeDownload& pin, const std::u16string& folder,
                          const std::u16string& productName);

// The dialog's offer of the pinned runtime; empty without an install step.
InstallOffer pinnedInstallOffer(const RuntimeDownload& pin, const std::u16string& folder,
                                const std::u16string& productName);

} // namespace launcher
