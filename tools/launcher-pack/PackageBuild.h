#pragma once
// The whole build of a Windows Installer package as launcher-pack makes it:
// wixl builds what it can read, then msitools write what wixl cannot (the
// code page and its text, the shortcuts' properties, the components'
// conditions).

#include "FileIo.h"
#include "InstallerPackage.h"

namespace launcher::pack {

struct PackageTools {
    fs::path wixl, msibuild, msiinfo;
};

// Builds msi from package, whose files are named relative to sourceFolder.
// Throws PackError with the failing tool's own message.
void buildPackage(const PackageTools& tools, const InstallerPackage& package, const fs::path& sourceFolder,
                  const fs::path& msi);

} // namespace launcher::pack
