#pragma once
// Runs a function on several threads at once, started as the launcher
// starts its own (on Windows with CreateThread: a thread the threads
// library in a runtime DLL has never seen start), and waits for all.

#include <functional>

namespace launcher::test {

void runOnSystemThreads(int count, const std::function<void(int index)>& body);

} // namespace launcher::test
