#include "launcher/HandOverRetry.h"

#include <gtest/gtest.h>

#include <optional>

namespace launcher {
namespace {

struct RetryCase {
    int tries;
    int elapsedMillis;
    std::optional<int> pause;
};

class HandOverRetry : public testing::TestWithParam<RetryCase> {};

TEST_P(HandOverRetry, PauseGrowsAndStopsAtTheBudget) {
    EXPECT_EQ(handOverRetryPause(GetParam().tries, GetParam().elapsedMillis), GetParam().pause);
}

INSTANTIATE_TEST_SUITE_P(Tries, HandOverRetry,
                         testing::Values(RetryCase{1, 0, 50}, RetryCase{2, 60, 100}, RetryCase{3, 170, 200},
                                         RetryCase{5, 800, 800}, RetryCase{40, 1000, 800},
                                         // The last try still starts within the budget.
                                         RetryCase{9, 4200, 800}, RetryCase{9, 4201, std::nullopt},
                                         RetryCase{1, 4960, std::nullopt}, RetryCase{0, 0, std::nullopt},
                                         RetryCase{1, -1, std::nullopt}));

// A primary that never lets go: the launch tries several times, then gives
// up within the budget (each try taken as instant).
TEST(HandOverRetryBudget, SeveralTriesThenGivesUpWithinTheBudget) {
    int elapsed = 0, tries = 1;
    while (std::optional<int> pause = handOverRetryPause(tries, elapsed)) {
        elapsed += *pause;
        ++tries;
    }
    EXPECT_GE(tries, 6);
    EXPECT_LE(elapsed, kHandOverRetryMillis);
}

} // namespace
} // namespace launcher
