// The computer's machine in the test builds: always ARM64; the launcher's
// own is x64, or ARM64 in the build that plays the ARM64 sibling.

#include "launcher/HostMachine.h"

namespace launcher {

HostMachine hostMachine() {
    constexpr bool kClaimsArm64Build = LAUNCHER_CLAIMS_ARM64_BUILD;
    return {kClaimsArm64Build ? LibraryWidth::Arm64 : LibraryWidth::X64, true};
}

} // namespace launcher
