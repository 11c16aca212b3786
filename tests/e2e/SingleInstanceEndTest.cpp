// Single-instance forwarding when the primary dies of its own fault, on
// both targets: no launch is left waiting, none is served twice, and the
// name goes to the next launch.

#include "SingleInstanceFixture.h"

#include <string>
#include <vector>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::Launch;
using test::SingleInstance;

bool endsSoon(Launch& launch) { return launch.wait_for(std::chrono::seconds(5)) == std::future_status::ready; }

// Launches wait in the primary's secondaryMain when one of them makes it
// crash. The primary's standard error is the test's own, so that the crash
// report stays out of the suite's output and is looked at here.
TEST_F(SingleInstance, PrimaryThatCrashesLeavesNoLaunchWaitingAndTheNextLaunchIsThePrimary) {
    fs::path exe = install("app", "standin.Slow");
    std::future<test::CapturedLaunch> primary =
        std::async(std::launch::async, [exe] { return test::launchCapturingErrors(exe, {"first"}); });
    ASSERT_TRUE(awaitTrace("main [first]"));
    std::vector<Launch> waiting;
    for (int i = 1; i <= 4; ++i) waiting.push_back(startLaunch(exe, {std::to_string(i), "30000"}));
    for (int i = 1; i <= 4; ++i) ASSERT_TRUE(awaitTrace("secondaryMain [" + std::to_string(i) + "]")) << i;
    waiting.push_back(startLaunch(exe, {"99", "crash"}));
    // A guard against hangs: each launch learns of the crash at once.
    for (Launch& launch : waiting) ASSERT_TRUE(endsSoon(launch)) << "a launch still waits on a crashed primary";
    const test::CapturedLaunch crashed = primary.get();
    if (kWindows) {
        EXPECT_NE(crashed.errors.find("Unhandled page fault"), std::string::npos) << crashed.errors;
    } else {
        // Killed by the fault's signal, or ended by the sanitizer's report.
        EXPECT_TRUE(crashed.exitCode == 128 + 11 || crashed.errors.find("SEGV") != std::string::npos)
            << crashed.exitCode << crashed.errors;
    }
    // Arguments taken by the primary are never served again: each of these
    // launches ends as one whose primary was killed.
    // The primary's exit code on Windows: the access violation's status.
    const int expected = kWindows ? static_cast<int>(0xC0000005u) : test::reportedExitCode(-1);
    for (Launch& launch : waiting) EXPECT_EQ(launch.get().exitCode, expected);

    // The crashed primary's name is free: the next launch is the primary,
    // and a later launch reaches it.
    const fs::path launcherTrace = folder.path() / "next-launch-trace.txt";
    test::EnvironmentOverride traceNext{u"QX_LAUNCHER_TRACE", launcherTrace.u16string()};
    Launch next = startLaunch(exe, {"next"});
    ASSERT_TRUE(awaitTrace("main [next]")) << test::readBytes(tracePath) << "the next launch's own trace:\n"
                                           << test::readBytes(launcherTrace);
    EXPECT_EQ(test::launch(exe, {"8", "stop"}).exitCode, 8);
    EXPECT_EQ(next.get().exitCode, 0);
    for (const char* value : {"1", "2", "3", "4", "99", "8"}) {
        EXPECT_EQ(countStarting("secondaryMain [" + std::string(value) + "]["), 1u) << value;
    }
    EXPECT_EQ(countStarting("main ["), 2u);
}

} // namespace
} // namespace launcher
