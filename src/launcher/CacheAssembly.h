#pragma once
// The background assembly of the ahead-of-time cache (see
// vmopts/AheadOfTimeCache.h). A start that recorded a configuration starts
// the launcher's own executable once more when the application has ended,
// with the request in the environment and nothing on screen: that process
// (the supervisor) gives way to an assembly of the same cache that already
// runs, starts one more process (the assembler) whose runtime writes the
// cache under a temporary name and ends that process itself, and renames
// the cache into place when it is whole. Neither reads the configuration
// of the application or takes part in its single instance.

#include "vmopts/AheadOfTimeCache.h"

#include <cstdint>
#include <optional>

namespace launcher {

// Starts the supervisor for the request, detached from this process: no
// window, no console, no inherited handles, at a lower priority. False when
// it could not be started.
bool startCacheAssembly(const AssemblyRequest& request);

// Whether an entry ("NAME=value") of this process's environment goes into
// the environment of an assembly it starts: not the request variable, which
// the start sets anew, nor the runtime's option variables
// (runtimeOptionVariables, VariableTable.h), which an assembly never lets its
// runtime read.
bool keptForAssembly(std::u16string_view entry);

// The codes with which an assembly ends without running: a process whose
// user sources are left out (its environment is the unelevated user's), a
// request no start wrote, or one that names files outside the cache folder.
inline constexpr int kAssemblyRefused = 5;
inline constexpr int kAssemblyUndecodable = 6;
inline constexpr int kAssemblyOutsideCache = 7;

// When the variable kAssemblyVariable is set, this process is a step of the
// assembly and nothing else: runs the step, or refuses it (a process whose
// user sources are left out: see leaveOutUserVariables), and gives the
// process's exit code. Nothing for every other start.
std::optional<int> runCacheAssemblyIfAsked();

// The platform's part.
namespace assembly {
// Starts this executable with the request in its environment, detached;
// with exitCode, waits for its end and gives its code (-1 when it did not
// exit by itself).
bool startOwnExecutable(std::u16string_view encodedRequest, int* exitCode);
// Lowers this process's priority (its children inherit it).
void lowerPriority();
// Holds the assembly's lock file for the life of the object.
class Lock {
public:
    explicit Lock(std::u16string_view path);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool held() const { return held_; }

private:
    bool held_ = false;
    intptr_t handle_ = 0; // the descriptor or handle

};
} // namespace assembly

} // namespace launcher
