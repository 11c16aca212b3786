#include "launcher/HandOverRetry.h"

#include <algorithm>

namespace launcher {

namespace {
constexpr int kFirstRetryPauseMillis = 50;
constexpr int kLongestRetryPauseMillis = 800;
} // namespace

std::optional<int> handOverRetryPause(int tries, int elapsedMillis) {
    if (tries < 1 || elapsedMillis < 0) return std::nullopt;
    // 50, 100, 200, 400, 800, 800, ... ms.
    const int doublings = std::min(tries - 1, 4);
    const int pause = std::min(kFirstRetryPauseMillis << doublings, kLongestRetryPauseMillis);
    if (elapsedMillis + pause > kHandOverRetryMillis) return std::nullopt;
    return pause;
}

} // namespace launcher
