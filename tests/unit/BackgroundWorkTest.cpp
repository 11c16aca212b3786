// The work beside the program never holds up its end: work that stops when
// asked lets the process end normally, work that does not is cut off with
// the program's exit code after the wait.

#include "base/BackgroundWork.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace launcher {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST(BackgroundWork, WorkThatStopsWhenAskedEndsInTime) {
    std::atomic<bool> running{false};
    ASSERT_TRUE(startBackgroundWork([&](const std::atomic<bool>& cancel) {
        running = true;
        while (!cancel) std::this_thread::sleep_for(5ms);
    }));
    while (!running) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(startBackgroundWork([](const std::atomic<bool>&) {})) << "one piece at a time";
    const Clock::time_point start = Clock::now();
    endBackgroundWork(7, 5s);
    EXPECT_LT(Clock::now() - start, 4s);
    // The piece has ended: the next one may start.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(startBackgroundWork([&](const std::atomic<bool>&) { ran = true; }));
    endBackgroundWork(7, 5s);
    EXPECT_TRUE(ran);
    endBackgroundWork(7, 0ms); // nothing runs: returns
}

// The work ignores the request; the process ends with the code given, after
// the buffered output is written.
[[noreturn]] void endWhileWorkRuns() {
    static char buffer[256];
    std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
    std::fputs("output before the end", stderr);
    startBackgroundWork([](const std::atomic<bool>&) { std::this_thread::sleep_for(60s); });
    endBackgroundWork(7, 1s);
    std::_Exit(3);
}

TEST(BackgroundWorkDeathTest, WorkThatRunsOnIsCutOff) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Clock::time_point start = Clock::now();
    EXPECT_EXIT(endWhileWorkRuns(), testing::ExitedWithCode(7), "output before the end");
    // A second for the wait; the rest is the test program's own start.
    EXPECT_LT(Clock::now() - start, 20s);
}

} // namespace
} // namespace launcher
