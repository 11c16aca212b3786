// Single-instance forwarding through the stand-in runtime, on both targets:
// copies of the launcher started as a user would, the first one kept
// running by its program while later ones hand their arguments over.

#include "SingleInstanceFixture.h"

#include <cstdlib>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::Launch;
using test::SingleInstance;

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
    // The void form is answered before it is called: the launch may end
    // before the primary's worker has described the exception.
    ASSERT_TRUE(awaitTrace("ExceptionDescribe standin.Failure: thrown by secondaryMain"));
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

// Rounds of the burst below: LAUNCHER_TEST_BURST_ROUNDS when set (a stress
// run), else four.
int burstRounds() {
    const char* text = std::getenv("LAUNCHER_TEST_BURST_ROUNDS");
    const int rounds = text ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : 4;
}

// Bursts of launches, each followed by one more: the burst leaves the
// primary able to serve the next launch at once. A stress run repeats the
// four rounds, each time with a new primary, and counts what went wrong in
// all of them: launches that got no answer or another's, arguments served
// twice, and a primary that ended under the load.
TEST_F(SingleInstance, TwentyLaunchesAtOnceEachGetTheirOwnAnswer) {
    fs::path exe = install("app", "standin.SecondaryInt");
    const int rounds = burstRounds();
    int lost = 0, doubled = 0, primariesLost = 0;
    for (int round = 0; round < rounds;) {
        fs::remove(tracePath);
        Launch primary = startLaunch(exe, {"first"});
        ASSERT_TRUE(awaitTrace("main [first]"));
        const int first = round;
        for (; round < rounds && round < first + 4; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            const std::string tag = "r" + std::to_string(round) + "-";
            std::vector<Launch> secondaries;
            for (int i = 10; i < 30; ++i) secondaries.push_back(startLaunch(exe, {std::to_string(i), tag + std::to_string(i)}));
            for (int i = 10; i < 30; ++i) {
                const int code = secondaries[i - 10].get().exitCode;
                const size_t served = count("secondaryMain [" + std::to_string(i) + "][" + tag + std::to_string(i) + "]");
                lost += code != i || served == 0;
                doubled += served > 1;
            }
            lost += test::launch(exe, {"7", tag + "next"}).exitCode != 7;
        }
        primariesLost += primary.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        EXPECT_EQ(countStarting("secondaryMain"), static_cast<size_t>((round - first) * 21)) << test::readBytes(tracePath);
        EXPECT_EQ(stopPrimary(exe, primary), 0);
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(primariesLost, 0);
    RecordProperty("rounds", rounds);
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
