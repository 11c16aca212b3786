#pragma once
// The application's taskbar identity ("App User Model ID") as a packaging
// run gives it: written into the INI, and carried by the package's
// shortcuts so that a pinned shortcut and the running windows group as one.

#include "Branding.h"
#include "InstallerPackage.h"
#include "PackOptions.h"

#include <optional>
#include <string>
#include <string_view>

namespace launcher::pack {

// "Vendor.Name" of the letters and digits of each (every character beyond
// ASCII but blanks counts as a letter); "Name" without a vendor.
std::string defaultAppId(std::string_view vendor, std::string_view name);

// --app-id, or the default when package (the installer being built) is
// given; nullopt without either. Throws PackError (exit code 1) for an
// identity that the launcher would refuse, UnheldTextError for one beyond
// the package's code page.
std::optional<std::string> appIdRequest(const PackOptions& options, const Branding& branding, const InstallerPackage* package);

} // namespace launcher::pack
