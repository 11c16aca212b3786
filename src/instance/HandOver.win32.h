#pragma once
// A later launch's side of forwarding on Windows (see InstanceState.win32.h
// for how the launches meet).

#include "base/Text.h"
#include "instance/SingleInstance.h"

#include <optional>

namespace launcher {

// Secondary, under the lock: hands the arguments to the live primary.
enum class HandOver { Done, Failed, Untrusted, PrimaryGone };
HandOver handOver(SingleInstanceGuard::State& state, const TextList& arguments);
// Secondary: the primary's answer, none for "not served", or its exit code
// once it has ended.
std::optional<int> awaitAnswer(SingleInstanceGuard::State& state);

} // namespace launcher
