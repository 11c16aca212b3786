#pragma once
// The thread the virtual machine is created on: a VM uses its creating
// thread's stack, so the stack size must be given when the thread starts.

#include <cstdint>
#include <functional>

namespace launcher {

// Runs body on a new thread with that stack size (0: the default), waits
// for it without limit and returns true with its result; false when the
// thread could not be started (body has not run).
bool runOnNewThread(uint64_t stackSize, const std::function<int()>& body, int& result);

} // namespace launcher
