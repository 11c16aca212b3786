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

// The signer's subject and the time stamp in the report of "osslsigncode
// verify" (versions 2.5 to 2.9), as indented lines.
std::string signatureLines(const std::string& verifyReport);

// report with details after its "signature: present" line.
std::string withSignatureDetails(std::string report, const std::string& details);

} // namespace launcher::pack
