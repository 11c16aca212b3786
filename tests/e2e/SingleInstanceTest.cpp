// Single-instance forwarding through the stand-in runtime, on both targets:
// copies of the launcher started as a user would, the first one kept
// running by its program while later ones hand their arguments over.

#include "base/Platform.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using Launch = std::future<test::LaunchResult>;

class SingleInstance : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    // A pausing primary ends as soon as this file exists (see endPause).
    fs::path pauseEnd = folder.path() / "pause-end";
    test::EnvironmentOverride pauseEndVariable{u"STANDIN_PAUSE_END", pauseEnd.u16string()};

    // A launcher copy in its own folder, with its INI.
    fs::path install(const std::string& where, const std::string& mainClass, const std::string& singleInstance = "yes",
                     const std::string& parameters = "", const std::string& application = "") {
        fs::path dir = folder.path() / where;
        fs::create_directories(dir);
        fs::path exe = dir / (kWindows ? "viewer.exe" : "viewer");
        fs::path built = test::standinHome("standard").parent_path().parent_path() / "bin" /
                         (kWindows ? "launcher.exe" : "launcher");
        fs::copy_file(built, exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(dir / "app.jar", "PK");
        const std::u16string ini = u"[Java Runtime Environment]\nMain Class=" + fromUtf8(mainClass) + u"\nJRE Path=" +
                                   test::standinHome("standard").u16string() + u"\nVirtual Machine Parameters=" +
                                   fromUtf8(parameters) + u"\n[Class Path]\nClass Path=app.jar\n[Application]\nSingle Instance=" +
                                   fromUtf8(singleInstance) + u"\n" + fromUtf8(application) + u"\n";
        // UTF-16 with its mark: every character reaches both targets' readers.
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : ini) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        test::writeBytes(dir / "viewer.ini", bytes);
        return exe;
    }
    static Launch startLaunch(const fs::path& exe, std::vector<std::string> arguments) {
        return std::async(std::launch::async, [exe, arguments] { return test::launch(exe, arguments); });
    }
    std::vector<std::string> trace() const {
        std::istringstream text(test::readBytes(tracePath));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    size_t count(const std::string& line) const {
        std::vector<std::string> lines = trace();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }
    size_t countStarting(const std::string& prefix) const {
        std::vector<std::string> lines = trace();
        return static_cast<size_t>(
            std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
    // Waits until the trace has a line starting with prefix.
    bool awaitTrace(const std::string& prefix) const {
        for (int i = 0; i < 600; ++i) {
            if (countStarting(prefix) > 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Lets a pausing primary end now, once the test has seen that it ran
    // beside the launches made meanwhile; its exit code.
    int endPause(Launch& primary) {
        test::writeBytes(pauseEnd, "");
        return primary.get().exitCode;
    }
    // Ends a lingering primary through a forwarded "stop"; its exit code.
    int stopPrimary(const fs::path& exe, Launch& primary) {
        EXPECT_EQ(test::launch(exe, {"stop"}).exitCode, 0);
        return primary.get().exitCode;
    }
};

struct SwitchCase {
    const char* value;
    bool forwards;
};

class SingleInstanceSwitch : public SingleInstance, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SingleInstanceSwitch, OnlyExactLowerCaseYesForwards) {
    fs::path exe = install("app", "standin.Pause", GetParam().value);
    Launch primary = startLaunch(exe, {"2500"});
    ASSERT_TRUE(awaitTrace("main [2500]")) << test::readBytes(tracePath);
    test::LaunchResult second = test::launch(exe, {"9", "", "x"});
    if (GetParam().forwards) {
        EXPECT_EQ(second.exitCode, 9);
        EXPECT_EQ(count("secondaryMain [9][][x]"), 1u);
    } else {
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_EQ(count("main [9][][x]"), 1u);
        EXPECT_EQ(countStarting("secondaryMain"), 0u);
    }
    EXPECT_EQ(endPause(primary), 0);
}

INSTANTIATE_TEST_SUITE_P(Values, SingleInstanceSwitch,
                         ::testing::Values(SwitchCase{"yes", true}, SwitchCase{"Yes", false}, SwitchCase{"YES", false},
                                           SwitchCase{"", false}),
                         [](const ::testing::TestParamInfo<SwitchCase>& info) {
                             return std::string(*info.param.value ? info.param.value : "Empty");
                         });

TEST_F(SingleInstance, IntFormAnswersWithItsValueVoidFormWithZero) {
    fs::path exe = install("int", "standin.SecondaryInt");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    EXPECT_EQ(test::launch(exe, {"42", "b"}).exitCode, 42);
    // No arguments arrive as an empty array.
    EXPECT_EQ(test::launch(exe, {}).exitCode, 0);
    EXPECT_EQ(count("secondaryMain [42][b]"), 1u);
    EXPECT_EQ(count("secondaryMain"), 1u);
    EXPECT_EQ(stopPrimary(exe, primary), 0);

    fs::remove(tracePath);
    fs::path other = install("void", "standin.Secondary");
    Launch voidPrimary = startLaunch(other, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    EXPECT_EQ(test::launch(other, {"42"}).exitCode, 0);
    EXPECT_TRUE(awaitTrace("secondaryMain [42]"));
    EXPECT_EQ(stopPrimary(other, voidPrimary), 0);
}

TEST_F(SingleInstance, ThrowingSecondaryMainStillAnswers) {
    fs::path exe = install("app", "standin.Pause");
    Launch primary = startLaunch(exe, {"2500"});
    ASSERT_TRUE(awaitTrace("main [2500]"));
    EXPECT_EQ(test::launch(exe, {"throw"}).exitCode, 0);
    EXPECT_EQ(countStarting("ExceptionDescribe standin.Failure: thrown by secondaryMain"), 1u);
    EXPECT_EQ(endPause(primary), 0);
}

TEST_F(SingleInstance, CopiesAtDifferentPathsNeverMeet) {
    fs::path first = install("a", "standin.Pause");
    fs::path second = install("b", "standin.Pause");
    Launch primary = startLaunch(first, {"2500"});
    ASSERT_TRUE(awaitTrace("main [2500]"));
    EXPECT_EQ(test::launch(second, {"7"}).exitCode, 0);
    EXPECT_EQ(count("main [7]"), 1u);
    EXPECT_EQ(countStarting("secondaryMain"), 0u);
    EXPECT_EQ(endPause(primary), 0);
}

TEST_F(SingleInstance, ArgumentsJustOverTheBlockEndTheLaunchWithMinusOne) {
    fs::path exe = install("app", "standin.SecondaryInt");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    // Each argument takes its units and a zero unit, the list one more.
    EXPECT_EQ(test::launch(exe, {std::string(518, 'x')}).exitCode, 0);
    EXPECT_EQ(test::launch(exe, {std::string(519, 'y')}).exitCode, test::reportedExitCode(-1));
    EXPECT_EQ(test::launch(exe, {std::string(300, 'z'), std::string(218, 'z')}).exitCode, test::reportedExitCode(-1));
    EXPECT_EQ(count("secondaryMain [" + std::string(518, 'x') + "]"), 1u);
    EXPECT_EQ(countStarting("secondaryMain"), 1u);
    EXPECT_EQ(stopPrimary(exe, primary), 0);
}

TEST_F(SingleInstance, SecondaryWaitsForMainThenForThePrimarysEnd) {
    // The runtime takes its time to start: the launch arrives before main.
    fs::path exe = install("slow", "standin.SecondaryInt", "yes", "-Dstandin.createDelay=2000");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("CreateJavaVM"));
    EXPECT_EQ(test::launch(exe, {"12"}).exitCode, 12);
    std::vector<std::string> lines = trace();
    // The forwarded launch touches Java only once main is about to run.
    auto mainFound = std::find(lines.begin(), lines.end(), "GetStaticMethodID standin/SecondaryInt main ([Ljava/lang/String;)V");
    auto attached = std::find(lines.begin(), lines.end(), "AttachCurrentThread");
    ASSERT_NE(attached, lines.end());
    EXPECT_LT(mainFound - lines.begin(), attached - lines.begin()) << test::readBytes(tracePath);
    EXPECT_EQ(count("secondaryMain [12]"), 1u);
    EXPECT_EQ(stopPrimary(exe, primary), 0);

    // A program without secondaryMain never answers: the launch ends with
    // the primary's own exit code.
    fs::remove(tracePath);
    fs::path exiting = install("exit", "standin.Exit", "yes", "-Dstandin.createDelay=2000");
    Launch exitingPrimary = startLaunch(exiting, {"3"});
    ASSERT_TRUE(awaitTrace("CreateJavaVM"));
    EXPECT_EQ(test::launch(exiting, {"5"}).exitCode, 3);
    EXPECT_EQ(exitingPrimary.get().exitCode, 3);
}

// Bursts of launches, each followed by one more: the burst leaves the
// primary able to serve the next launch at once.
TEST_F(SingleInstance, TwentyLaunchesAtOnceEachGetTheirOwnAnswer) {
    fs::path exe = install("app", "standin.SecondaryInt");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int first = 10 + 20 * round;
        std::vector<Launch> secondaries;
        for (int i = 0; i < 20; ++i) {
            secondaries.push_back(startLaunch(exe, {std::to_string(first + i), "tag" + std::to_string(first + i)}));
        }
        for (int i = 0; i < 20; ++i) {
            const std::string value = std::to_string(first + i);
            EXPECT_EQ(secondaries[i].get().exitCode, first + i);
            EXPECT_EQ(count("secondaryMain [" + value + "][tag" + value + "]"), 1u);
        }
        EXPECT_EQ(test::launch(exe, {"7", "next"}).exitCode, 7);
    }
    EXPECT_EQ(countStarting("secondaryMain"), static_cast<size_t>(kRounds * 21)) << test::readBytes(tracePath);
    EXPECT_EQ(stopPrimary(exe, primary), 0);
}

// A main class whose name no ANSI code page holds: the worker of a
// forwarded launch may not find it by its narrow name. Then it just stops:
// no stack trace in the user's error file, and the launch waits for the
// primary's end instead.
TEST_F(SingleInstance, WorkerThatMissesTheMainClassLeavesNoTrace) {
    const fs::path err = folder.path() / "err.txt";
    fs::path exe = install("app", "standin.Pause\xe6\x97\xa5\xe6\x9c\xac", "yes", "",
                           "Error File=" + toUtf8(err.u16string()));
    Launch primary = startLaunch(exe, {"2500"});
    ASSERT_TRUE(awaitTrace("main [2500]")) << test::readBytes(tracePath);
    const int code = test::launch(exe, {"9"}).exitCode;
    EXPECT_TRUE(code == 9 || code == 0) << code;
    EXPECT_EQ(endPause(primary), 0);
    EXPECT_EQ(countStarting("ExceptionDescribe"), 0u) << test::readBytes(tracePath);
    EXPECT_EQ(test::readBytes(err), "");
}

// A hundred launches in bursts against a primary whose secondaryMain takes
// its time: each launch ends with its own answer, each is served once.
TEST_F(SingleInstance, HundredLaunchesInBurstsEachGetTheirOwnAnswerFromASlowProgram) {
    fs::path exe = install("app", "standin.Slow");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    constexpr int kBursts = 5, kBurst = 20;
    for (int burst = 0; burst < kBursts; ++burst) {
        std::vector<Launch> launches;
        for (int i = 0; i < kBurst; ++i) {
            const int answer = 1 + burst * kBurst + i;
            launches.push_back(startLaunch(exe, {std::to_string(answer), std::to_string(50 + 13 * i % 120)}));
        }
        for (int i = 0; i < kBurst; ++i) EXPECT_EQ(launches[i].get().exitCode, 1 + burst * kBurst + i);
    }
    for (int answer = 1; answer <= kBursts * kBurst; ++answer) {
        EXPECT_EQ(countStarting("secondaryMain [" + std::to_string(answer) + "]["), 1u) << answer;
    }
    EXPECT_EQ(countStarting("secondaryMain"), static_cast<size_t>(kBursts * kBurst));
    EXPECT_EQ(stopPrimary(exe, primary), 0);
}

// The primary is killed while launches wait in its secondaryMain: each of
// them ends, with the primary's exit code where the system tells it
// (Windows) and with -1 where it cannot (Linux).
TEST_F(SingleInstance, PrimaryKilledWhileLaunchesWaitEndsEveryOne) {
    fs::path exe = install("app", "standin.Slow");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    std::vector<Launch> waiting;
    for (int i = 1; i <= 8; ++i) waiting.push_back(startLaunch(exe, {std::to_string(i), "30000"}));
    for (int i = 1; i <= 8; ++i) ASSERT_TRUE(awaitTrace("secondaryMain [" + std::to_string(i) + "]")) << i;
    // The last launch's own call ends the primary as a kill would.
    Launch killer = startLaunch(exe, {"99", "die"});
    const int expected = kWindows ? 9 : test::reportedExitCode(-1);
    EXPECT_EQ(killer.get().exitCode, expected);
    for (Launch& launch : waiting) EXPECT_EQ(launch.get().exitCode, expected);
    EXPECT_EQ(primary.get().exitCode, kWindows ? 9 : 128 + 9);
    EXPECT_EQ(countStarting("secondaryMain [99][die]"), 1u);
}

// main has returned and the program's last thread keeps it running: the
// runtime waits inside DestroyJavaVM, and launches are still served there.
TEST_F(SingleInstance, LaunchIsServedWhileTheRuntimeWaitsForTheProgramsLastThread) {
    fs::path exe = install("app", "standin.SecondaryInt");
    Launch primary = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    // The thread that called main detaches once main has returned.
    ASSERT_TRUE(awaitTrace("DetachCurrentThread"));
    EXPECT_EQ(test::launch(exe, {"5"}).exitCode, 5);
    EXPECT_EQ(stopPrimary(exe, primary), 0);
    std::vector<std::string> lines = trace();
    auto served = std::find(lines.begin(), lines.end(), "secondaryMain [5]");
    auto destroyed = std::find(lines.begin(), lines.end(), "DestroyJavaVM");
    EXPECT_LT(served - lines.begin(), destroyed - lines.begin()) << test::readBytes(tracePath);
}

// A launch that arrives while the primary is ending, its runtime already
// gone: that primary cannot serve it and says so, lets go of the name, and
// the launch becomes the primary itself while the old one is still busy
// with its own end. A launch after that reaches the new primary.
TEST_F(SingleInstance, LaunchDuringThePrimarysEndIsServedByANewPrimary) {
    fs::path exe = install("app", "standin.SecondaryInt");
    std::optional<test::EnvironmentOverride> slowEnd;
    slowEnd.emplace(u"STANDIN_SLOW_END", u"3000 8000");
    Launch old = startLaunch(exe, {"first"});
    ASSERT_TRUE(awaitTrace("main [first]"));
    slowEnd.reset();
    Launch ending = startLaunch(exe, {"stop"});
    ASSERT_TRUE(awaitTrace("DestroyJavaVM: the VM is gone"));
    const fs::path lateTrace = folder.path() / "late-trace.txt";
    Launch late;
    {
        test::EnvironmentOverride launchTrace{u"QX_LAUNCHER_TRACE", lateTrace.u16string()};
        late = startLaunch(exe, {"late"});
        ASSERT_TRUE(awaitTrace("main [late]")) << test::readBytes(lateTrace);
    }
    EXPECT_EQ(test::launch(exe, {"8"}).exitCode, 8);
    EXPECT_EQ(ending.get().exitCode, 0);
    EXPECT_EQ(stopPrimary(exe, late), 0);
    EXPECT_EQ(old.get().exitCode, 0);
    const std::string lateLines = test::readBytes(lateTrace);
    EXPECT_NE(lateLines.find("could not serve this launch"), std::string::npos) << lateLines;
    EXPECT_NE(lateLines.find("single instance: primary"), std::string::npos) << lateLines;
    EXPECT_EQ(count("main [late]"), 1u);
    EXPECT_EQ(countStarting("secondaryMain [late]"), 0u);
    EXPECT_EQ(count("secondaryMain [8]"), 1u);
    // The old primary had let go of the name before its own slow exit.
    std::vector<std::string> lines = trace();
    auto lateMain = std::find(lines.begin(), lines.end(), "main [late]");
    auto oldGone = std::find(lines.begin(), lines.end(), "process end: done");
    EXPECT_LT(lateMain - lines.begin(), oldGone - lines.begin()) << test::readBytes(tracePath);
}

} // namespace
} // namespace launcher
