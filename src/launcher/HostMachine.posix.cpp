#include "launcher/HostMachine.h"

namespace launcher {

// Linux has no x64 launcher emulated on ARM64 to hand over from: the
// distributions ship each machine's own build.
HostMachine hostMachine() { return {}; }

} // namespace launcher
