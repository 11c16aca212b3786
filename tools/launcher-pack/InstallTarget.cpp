#include "InstallTarget.h"

#include "Arm64Sibling.h"
#include "PeImage.h"
#include "base/Text.h"

namespace launcher::pack {

InstallerPlatform installerPlatformFor(uint16_t machine) {
    switch (machine) {
    case kMachineAmd64: return InstallerPlatform::X64;
    case kMachineI386: return InstallerPlatform::X86;
    case kMachineArm64:
        // An x64 package would install on x64 computers where the ARM64
        // launcher cannot start, and wixl refuses to build an ARM64 one.
        throw PackError("--launcher: built for ARM64 (0xAA64); Windows Installer packages are built here for x64 and x86 only: "
                        "give the x64 launcher as --launcher and the ARM64 one as --arm64-launcher");
    default: throw PackError("--launcher: built for " + machineText(machine) + ", for which no Windows Installer package is built");
    }
}

InstallerPlatform installerPlatformOf(const Bytes& launcher) {
    uint16_t machine = 0;
    try {
        machine = readPeImage(launcher).machine;
    } catch (const PackError& e) {
        throw PackError(std::string("--launcher: ") + e.what());
    }
    return installerPlatformFor(machine);
}

const char* platformName(InstallerPlatform platform) { return platform == InstallerPlatform::X86 ? "x86" : "x64"; }

std::string defaultInstallFolder(const InstallerPackage& package) {
    std::string folder = package.platform == InstallerPlatform::X86 ? "C:\\Program Files (x86)\\" : "C:\\Program Files\\";
    if (!package.vendor.empty()) folder += vendorFolderName(package.vendor) + "\\";
    return folder + package.name + "\\";
}

std::optional<LongInstallPath> tooLongInstallPath(const InstallerPackage& package, const std::vector<std::string>& installPaths) {
    const std::string folder = defaultInstallFolder(package);
    for (const std::string& installPath : installPaths) {
        std::string path = folder + installPath;
        for (char& c : path) c = c == '/' ? '\\' : c;
        // Counted as Windows counts: in UTF-16 code units.
        if (fromUtf8(path).size() > kLongestWindowsPath) return LongInstallPath{installPath, path};
    }
    return std::nullopt;
}

} // namespace launcher::pack
