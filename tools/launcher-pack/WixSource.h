#pragma once
// The WiX 3 source of an installer package: text only, built from an
// InstallerPackage. The same text builds with wixl and with the WiX toolset.

#include "InstallerPackage.h"
#include "WixText.h"

#include <string>

namespace launcher::pack {

std::string wixSource(const InstallerPackage& package);

} // namespace launcher::pack
