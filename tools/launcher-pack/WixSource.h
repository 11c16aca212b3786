#pragma once
// The WiX 3 source of an installer package: text only, built from an
// InstallerPackage, for the WiX toolset and, in a form of its own, for wixl.

#include "InstallerPackage.h"
#include "WixText.h"

#include <string>
#include <vector>

namespace launcher::pack {

// The source for the WiX toolset (--wxs).
std::string wixSource(const InstallerPackage& package);

// The same package as wixl 0.101 builds it: the source without what wixl
// cannot read, and the queries (for msibuild -q) that write that into the
// package wixl built.
struct WixlForm {
    std::string text;
    std::vector<std::string> queries;
};
WixlForm wixlForm(const InstallerPackage& package);

} // namespace launcher::pack
