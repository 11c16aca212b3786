#pragma once
// The primary's listener on Windows: it takes each later launch's
// arguments from the shared block and serves the launch on a worker thread
// of its own (see InstanceState.win32.h for how the launches meet).

#include "instance/SingleInstance.h"

#include <memory>

namespace launcher {

// Primary: takes the block over under the lock and starts listening.
bool startPrimary(const std::shared_ptr<SingleInstanceGuard::State>& state);

} // namespace launcher
