#pragma once
// Handing the launch over to the paired (32-bit) launcher executable.

#include <string>

namespace launcher {

// Starts the paired executable with this process's own command line,
// unchanged. With wait, returns the child's exit code (0 when it cannot be
// read or the child did not start); without, returns 0 at once.
int relaunchPair(const std::u16string& pairProduct, bool wait);

} // namespace launcher
