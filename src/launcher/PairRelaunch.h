#pragma once
// Handing the launch over to the paired (32-bit) launcher executable.

#include <cstdint>
#include <string>

namespace launcher {

struct PairOutcome {
    bool started = false;
    uint32_t error = 0; // the system's error code when it did not start
    int exitCode = 0;   // with wait, the child's exit code (0 when it cannot be read)
};

// Starts the paired executable at pairPath (an absolute path: a bare name
// would be looked for in the current directory) with this process's own
// command line, unchanged. With wait, waits for the child's end.
PairOutcome relaunchPair(const std::u16string& pairPath, bool wait);

} // namespace launcher
