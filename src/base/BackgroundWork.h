#pragma once
// Work that runs beside the program and never holds up its end: the look
// at the runtime feed after main has been called. At most one piece at a
// time per process.

#include <atomic>
#include <chrono>
#include <functional>

namespace launcher {

using BackgroundTask = std::function<void(const std::atomic<bool>& cancel)>;

// Runs task on a thread of its own at a low priority (Windows: background
// mode; Linux: ten nice steps below its starter); task reads cancel and
// returns soon once it is set. False, without running task, when no thread
// could be started or another piece is still running.
bool startBackgroundWork(BackgroundTask task);

// Called as the process ends, with its exit code: asks the work to stop
// and waits for it at most wait. When it still runs then, the process ends
// at once with code, after the standard streams are flushed: the exit's
// teardown of the libraries must not race a thread still using them, and
// a download dropped midway leaves only what the next look removes.
// Returns when there is no work or it has ended.
void endBackgroundWork(int code, std::chrono::milliseconds wait = std::chrono::seconds(1));

// The platform's parts.
void lowerThisThreadPriority();
[[noreturn]] void endProcessNow(int code);

} // namespace launcher
