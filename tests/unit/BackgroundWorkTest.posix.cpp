// The work beside the program runs below it, but not so far below that a
// busy machine never gives it a turn.

#include "base/BackgroundWork.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace launcher {
namespace {

int threadNice() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

TEST(BackgroundWorkPriority, RunsTenStepsBelowItsStarterAtMostToTheLast) {
    const struct {
        int starter;
        int expected;
    } rows[] = {{0, 10}, {5, 15}, {12, 19}, {19, 19}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.starter);
        int seen = -100;
        // The starter is a thread of its own: its nice value, which only
        // goes up without privileges, goes with it.
        std::thread starter([&] {
            ASSERT_EQ(setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), row.starter), 0);
            ASSERT_TRUE(startBackgroundWork([&](const std::atomic<bool>&) { seen = threadNice(); }));
            endBackgroundWork(0, std::chrono::seconds(5));
        });
        starter.join();
        EXPECT_EQ(seen, row.expected);
    }
}

} // namespace
} // namespace launcher
