#pragma once
// The primary's listener on Linux: it accepts each later launch's
// connection, takes its arguments and serves the launch on a worker thread
// of its own (see InstanceState.posix.h for how the launches meet).

#include "instance/SingleInstance.h"

#include <memory>

namespace launcher {

// Primary: starts listening on the bound socket, and tells waiting
// launches the code that System.exit ends this process with.
bool startPrimary(const std::shared_ptr<SingleInstanceGuard::State>& state);

} // namespace launcher
