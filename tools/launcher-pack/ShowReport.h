#pragma once
// What an executable or an installer package carries, as support staff read it.

#include "Bytes.h"

#include <optional>
#include <string>

namespace launcher::pack {

// Lines: format, signature, icon sizes, versions and version strings, the
// embedded configuration's resources and, given the upgrade code, its text.
std::string describeExecutable(const Bytes& file, const std::optional<std::string>& upgradeCode);

// Lines: format and signature of a Windows Installer package.
std::string describeInstallerPackage(const Bytes& file);

} // namespace launcher::pack
