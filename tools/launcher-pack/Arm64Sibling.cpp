#include "Arm64Sibling.h"

#include "IniEdit.h"
#include "PeImage.h"

#include <cstdio>

namespace launcher::pack {

std::string machineText(uint16_t machine) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", machine);
    const char* name = machine == kMachineI386    ? "x86"
                       : machine == kMachineAmd64 ? "x64"
                       : machine == kMachineArm64 ? "ARM64"
                                                  : "unknown machine";
    return std::string(name) + " (" + hex + ")";
}

std::string arm64SiblingName(const std::string& name) { return name + "-arm64"; }

void checkSiblingMachines(const Bytes& launcher, const Bytes& sibling) {
    auto machineOf = [](const char* option, const Bytes& file) {
        try {
            return readPeImage(file).machine;
        } catch (const PackError& e) {
            throw PackError(std::string(option) + ": " + e.what());
        }
    };
    // The x64 launcher alone hands over; any other next to an ARM64 one
    // would leave the sibling unused.
    if (uint16_t machine = machineOf("--launcher", launcher); machine != kMachineAmd64) {
        throw PackError("--launcher: built for " + machineText(machine) + "; beside --arm64-launcher it must be the x64 launcher");
    }
    if (uint16_t machine = machineOf("--arm64-launcher", sibling); machine != kMachineArm64) {
        throw PackError("--arm64-launcher: built for " + machineText(machine) + ", not for ARM64 (0xAA64)");
    }
}

std::string withArm64Product(const std::string& ini, const std::string& siblingName) {
    return setIniValue(ini, "Application", "ARM64 Product", siblingName + ".exe");
}

std::string withX64Product(const std::string& ini, const std::string& launcherName) {
    return setIniValue(ini, "Application", "X64 Product", launcherName + ".exe");
}

} // namespace launcher::pack
