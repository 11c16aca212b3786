#pragma once
// Handing the launch over to the paired (32-bit) launcher executable.

#include <cstdint>
#include <string>

namespace launcher {

struct PairOutcome {
    bool started = false;
    uint32_t error = 0; // the system's error code when it did not start
    // With wait, the child's exit code. A child killed by a signal ends
    // this process with 128 + the signal, as shells report it; a child whose
    // code cannot be read with -1. Never 0 for an end that was no success.
    int exitCode = 0;
    // With wait: why exitCode is not the child's own, for the trace; empty
    // when the child ended by itself.
    std::u16string abnormalEnd;
};

// Starts the paired executable at pairPath (an absolute path: a bare name
// would be looked for in the current directory) with this process's own
// command line, unchanged. With wait, waits for the child's end.
PairOutcome relaunchPair(const std::u16string& pairPath, bool wait);

} // namespace launcher
