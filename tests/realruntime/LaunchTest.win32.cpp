// Launches on the real runtime: what main receives and how the program's
// end becomes the launcher's exit code.

#include "RealRuntime.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

class RealLaunch : public test::RealRuntimeTest {};

TEST_F(RealLaunch, ArgumentsReachMainUnchanged) {
    writeIni();
    const test::CapturedRun run = start({L"args", L"a b", L"", L"say\"hi\"", L"\u00fc\u20ac\u4e2d", L"trail\\"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(test::reported(run.out, "arg1"), "[61 20 62]");
    EXPECT_EQ(test::reported(run.out, "arg2"), "[]");
    EXPECT_EQ(test::reported(run.out, "arg3"), "[73 61 79 22 68 69 22]");
    EXPECT_EQ(test::reported(run.out, "arg4"), "[fc 20ac 4e2d]");
    EXPECT_EQ(test::reported(run.out, "arg5"), "[74 72 61 69 6c 5c]");
    EXPECT_EQ(test::reported(run.out, "count"), "6");
    EXPECT_EQ(test::reported(run.out, "main"), "returned");
}

} // namespace
} // namespace launcher
