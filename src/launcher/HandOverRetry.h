#pragma once
// A launch that the running start could not serve (its runtime was already
// gone) settles its role again: the running start lets go of the name right
// after its runtime has ended, so the launch soon becomes the primary
// itself, or reaches whoever is primary by then.

#include <optional>

namespace launcher {

// The exit code of a launch that was never served and could not settle a
// new role in time: neither its primary's code nor a success.
inline constexpr int kNotServedExitCode = -2;

// How long a launch keeps trying, counted from the first "not served".
inline constexpr int kHandOverRetryMillis = 5000;

// The pause before the next try, when tries have been made so far (1 after
// the first "not served") and elapsedMillis have passed since it; none
// when the launch gives up. The pauses grow, so that a primary whose end
// takes its time is not asked over and over, and every try starts within
// the budget.
std::optional<int> handOverRetryPause(int tries, int elapsedMillis);

} // namespace launcher
