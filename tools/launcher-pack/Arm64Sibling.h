#pragma once
// The ARM64 launcher packaged beside the x64 one: on an ARM64 computer the
// x64 launcher hands each launch to it ("ARM64 Product"), and it loads the
// ARM64 runtimes that the emulated x64 launcher cannot.

#include "Bytes.h"

#include <string>

namespace launcher::pack {

inline constexpr uint16_t kMachineI386 = 0x014C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;
inline constexpr uint16_t kMachineArm64 = 0xAA64;

// The machine as --show names it: "x64 (0x8664)".
std::string machineText(uint16_t machine);

// The sibling's name beside NAME.exe, without ".exe".
std::string arm64SiblingName(const std::string& name);

// Throws PackError naming the option whose executable is built for the
// wrong machine: the launcher must be the x64 one, the sibling the ARM64
// one.
void checkSiblingMachines(const Bytes& launcher, const Bytes& sibling);

// The x64 launcher's INI naming its sibling, and the sibling's own: the
// same text without the key (the ARM64 launcher hands over to nobody).
std::string withArm64Product(const std::string& ini, const std::string& siblingName);
// The sibling's settings naming the x64 launcher beside it, the only one it
// hands a launch back to.
std::string withX64Product(const std::string& ini, const std::string& launcherName);

} // namespace launcher::pack
