#pragma once
// Whether a runtime the feed installed starts at all, asked before any
// start of the program takes it: its java program, run with -version.
// A runtime that dies while its virtual machine is made ends the process
// that made it, before the launcher could go back to another runtime, so
// such a runtime must never reach a start.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

namespace launcher {

struct ProbeResult {
    // None when the runtime has no java program to ask (an image made
    // without one): the check cannot tell, and the runtime is taken.
    std::optional<bool> starts;
    std::u16string detail; // for the trace: the exit code, the timeout
    bool cancelled = false;
    // No answer within the limit: a busy machine, or a scanner holding the
    // new program, says nothing about the runtime, so it is asked again later.
    bool timedOut = false;
};

ProbeResult probeRuntime(const std::u16string& folder, std::chrono::seconds limit, const std::atomic<bool>* cancel);

// The platform's step: runs program with the one argument, its standard
// streams going nowhere, and waits for it at most limit, polling cancel.
// The exit code; none when it could not start. A program still running at
// the limit or on cancel is killed, with kTimedOut or kCancelled.
inline constexpr int kProbeTimedOut = -1000;
inline constexpr int kProbeCancelled = -1001;
std::optional<int> runProbe(const std::u16string& program, const std::u16string& argument, std::chrono::seconds limit,
                            const std::atomic<bool>* cancel);

} // namespace launcher
