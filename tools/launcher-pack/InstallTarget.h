#pragma once
// Where a package installs: the Windows it installs on, which follows the
// main launcher's machine, and the folder it installs into by default,
// whose length bounds the paths of the files inside it.

#include "Bytes.h"
#include "InstallerPackage.h"

#include <optional>
#include <string>
#include <vector>

namespace launcher::pack {

// The platform of a package whose --launcher is built for machine. Throws
// PackError naming --launcher for an ARM64 launcher on its own (wixl builds
// no ARM64 package) and for any machine other than x86 and x64.
InstallerPlatform installerPlatformFor(uint16_t machine);
// The same, read from the launcher's bytes.
InstallerPlatform installerPlatformOf(const Bytes& launcher);

// What wixl's -a and the source's Package/@Platform call the platform.
const char* platformName(InstallerPlatform platform);

// The longest path that Windows programs open without long-path support:
// MAX_PATH less the terminating null.
inline constexpr size_t kLongestWindowsPath = 259;

// The installation folder on a Windows of the package's platform when no
// INSTALLDIR is given, with a trailing backslash:
// "C:\Program Files\VENDOR\NAME\" (x86: "C:\Program Files (x86)\...").
// Per user, the profile's folder depends on the user's name: the files are
// measured under the same folder.
std::string defaultInstallFolder(const InstallerPackage& package);

// Where the first of installPaths ("/" between folders) whose path under
// the default folder is longer than kLongestWindowsPath lands, as Windows
// writes it; nullopt when none is.
struct LongInstallPath {
    std::string installPath;
    std::string windowsPath;
};
std::optional<LongInstallPath> tooLongInstallPath(const InstallerPackage& package, const std::vector<std::string>& installPaths);

} // namespace launcher::pack
