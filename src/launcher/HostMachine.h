#pragma once
// What the hand-over to the ARM64 sibling needs to know of the computer and
// of this launcher. In its own object file, so that a test build of the
// launcher can link one that reports an ARM64 computer under Wine.

#include "jre/Bitness.h"

namespace launcher {

struct HostMachine {
    LibraryWidth launcher = kProcessWidth; // the machine this launcher is built for
    bool arm64 = false;                    // the computer's own processor is ARM64
};

// Asked only when a hand-over is configured or marked: most starts never
// ask.
HostMachine hostMachine();

} // namespace launcher
