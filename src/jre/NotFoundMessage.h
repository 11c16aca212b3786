#pragma once
// The message that tells the user which runtime to install when none fits.

#include "jre/RuntimeCriteria.h"

namespace launcher {

// "latest version", "minimum version 1.8", "version between 11.0 and
// 17.0.5", ... from the configured bounds.
std::u16string versionRequirementPhrase(const VersionNumber& minimum, const VersionNumber& maximum);

// The whole message: the server variant when the server flavour is required.
std::u16string runtimeNotFoundMessage(JvmTypeCode type, const VersionNumber& minimum, const VersionNumber& maximum);

} // namespace launcher
