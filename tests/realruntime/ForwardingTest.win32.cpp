// Single-instance forwarding on the real runtime: later launches of the
// same executable are answered by the program's own secondaryMain, in both
// its forms, in bursts, while the runtime waits for the program's last
// thread, and while and after the program ends through System.exit. No
// launch is lost, none is served twice, and no process crashes.

#include "RealRuntime.win32.h"
#include "support/DialogProbe.win32.h"

#include <chrono>
#include <future>
#include <sstream>

// The suite is compiled as one unit: the helpers of each file keep to
// a namespace of their own.
namespace launcher::forwarding_rows {
namespace {

namespace fs = std::filesystem;
using Launch = std::future<test::CapturedRun>;

struct Form {
    const char* name;
    const char* mainClass;
    bool returnsInt;
};

void PrintTo(const Form& f, std::ostream* out) { *out << f.name; }

// Lines that only a crashed process (Wine's report, the runtime's fatal
// error log) writes.
std::string crashLines(const std::string& text) {
    std::istringstream lines(text);
    std::string found;
    for (std::string line; std::getline(lines, line);) {
        for (const char* sign : {"Unhandled exception", "Unhandled page fault", "starting debugger",
                                 "A fatal error has been detected", "EXCEPTION_ACCESS_VIOLATION"}) {
            if (line.find(sign) != std::string::npos) found += line + "\n";
        }
    }
    return found;
}

size_t countLines(const std::string& text, const std::string& wanted) {
    std::istringstream lines(text);
    size_t count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        count += line == wanted;
    }
    return count;
}

std::string joined(const std::vector<std::wstring>& arguments) {
    std::string text;
    for (const std::wstring& argument : arguments) {
        text += (text.empty() ? "" : "|") + toUtf8(std::u16string(argument.begin(), argument.end()));
    }
    return text;
}

class RealForwarding : public test::RealRuntimeTest, public ::testing::WithParamInterface<Form> {
protected:
    // A later launch that names its answer: "N tagN <text>".
    struct Request {
        std::vector<std::wstring> arguments;
        DWORD expected;
        Launch launch;
    };

    Launch primary;
    // Every request's arguments, and every run's output: for the counts and
    // the crash scan at the end.
    std::vector<std::vector<std::wstring>> sent;
    std::vector<test::CapturedRun> runs;

    void SetUp() override {
        test::RealRuntimeTest::SetUp();
        if (IsSkipped()) return;
        writeIni(jrePathLine(), "[Application]\r\nSingle Instance=yes\r\n", GetParam().mainClass);
    }

    void TearDown() override {
        // A row that failed half-way leaves no first start waiting for "stop"
        // or holding its end.
        if (primary.valid() && primary.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            test::writeBytes(folder.path() / "end", "");
            Launch stopping = launch({L"stop"});
            finish(stopping);
        }
        if (primary.valid()) finish(primary);
        std::string all;
        for (const test::CapturedRun& run : runs) all += run.out + run.err;
        EXPECT_EQ(crashLines(all), "");
    }

    Launch launch(const std::vector<std::wstring>& arguments) const {
        return std::async(std::launch::async, [this, arguments] { return start(arguments, {.timeoutMs = 240000}); });
    }
    Request request(int answer, const std::wstring& text) {
        std::vector<std::wstring> arguments{std::to_wstring(answer), L"tag" + std::to_wstring(answer), text};
        sent.push_back(arguments);
        return {arguments, GetParam().returnsInt ? static_cast<DWORD>(answer) : 0u, launch(arguments)};
    }
    DWORD stopAnswer() const { return GetParam().returnsInt ? 101u : 0u; }
    // The program writes these files into its current folder (see Serve).
    bool awaitFile(const char* name) const {
        return test::waitUntil([&] { return fs::exists(folder.path() / name); }, 90000);
    }
    test::CapturedRun finish(Launch& launch) {
        runs.push_back(launch.get());
        return runs.back();
    }
    // A first start whose program has called System.exit(7) on a "stop"
    // launch, its shutdown hook holding the end until the test writes
    // "end"; false when it never got there.
    bool startExitingPrimary() {
        primary = launch({L"exit", L"7"});
        if (!awaitFile("serving")) return false;
        Launch stopping = launch({L"stop"});
        EXPECT_EQ(finish(stopping).exitCode, stopAnswer()) << runs.back().err;
        return awaitFile("exiting");
    }
    // Forwards "stop" to the lingering first start; its run.
    test::CapturedRun stop() {
        Launch stopping = launch({L"stop"});
        EXPECT_EQ(finish(stopping).exitCode, stopAnswer()) << runs.back().err;
        return finish(primary);
    }
    // Each request ends with its own answer.
    void expectAnswered(std::vector<Request>& requests) {
        for (Request& r : requests) {
            const test::CapturedRun run = finish(r.launch);
            EXPECT_EQ(run.exitCode, r.expected) << joined(r.arguments) << "\n" << run.out << run.err;
        }
    }
    // How often these arguments reached the program, in every run: through
    // secondaryMain, or as a launch that ran the program itself.
    size_t timesServed(const std::vector<std::wstring>& arguments) const {
        size_t times = 0;
        for (const test::CapturedRun& run : runs) {
            times += countLines(run.out, "secondary=" + joined(arguments)) +
                     countLines(run.out, "started=" + joined(arguments));
        }
        return times;
    }
};

// Bursts of 20 launches at once, each followed by one more: every launch is
// answered by the first start's secondaryMain, once, with its own answer.
TEST_P(RealForwarding, BurstsOfLaunchesEachGetTheirOwnAnswerOnce) {
    primary = launch({L"linger"});
    ASSERT_TRUE(awaitFile("serving"));
    constexpr int kRounds = 3, kBurst = 20;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<Request> burst;
        const std::wstring text = L"round " + std::to_wstring(round) + L" \u00fc\u20ac";
        for (int i = 0; i < kBurst; ++i) burst.push_back(request(10 + (kBurst + 1) * round + i, text));
        expectAnswered(burst);
        std::vector<Request> next;
        next.push_back(request(10 + (kBurst + 1) * round + kBurst, L"after the burst"));
        expectAnswered(next);
    }
    const test::CapturedRun first = stop();
    EXPECT_EQ(first.exitCode, 0u) << first.err;
    for (const auto& arguments : sent) {
        EXPECT_EQ(countLines(first.out, "secondary=" + joined(arguments)), 1u) << joined(arguments);
        EXPECT_EQ(timesServed(arguments), 1u) << joined(arguments);
    }
    EXPECT_EQ(countLines(first.out, "secondary=stop"), 1u);
}

// main has returned and a thread of the program keeps it running: the
// runtime waits for that thread inside DestroyJavaVM, and launches that
// arrive meanwhile are served there.
TEST_P(RealForwarding, LaunchesWhileTheRuntimeWaitsForTheLastThreadAreServed) {
    primary = launch({L"thread"});
    ASSERT_TRUE(awaitFile("main-gone"));
    std::vector<Request> during;
    for (int i = 0; i < 5; ++i) during.push_back(request(40 + i, L"in DestroyJavaVM"));
    expectAnswered(during);
    const test::CapturedRun first = stop();
    EXPECT_EQ(first.exitCode, 0u) << first.err;
    EXPECT_EQ(test::reported(first.out, "keeper"), "done") << first.out;
    const size_t returned = first.out.find("main=returned");
    ASSERT_NE(returned, std::string::npos) << first.out;
    for (const auto& arguments : sent) {
        EXPECT_NE(first.out.find("secondary=" + joined(arguments), returned), std::string::npos) << first.out;
        EXPECT_EQ(timesServed(arguments), 1u) << joined(arguments);
    }
}

// The program ends through System.exit, its shutdown hook holding the end
// until the test lets it go: launches that arrive meanwhile are served by
// the program; a launch after its end runs the program itself.
TEST_P(RealForwarding, LaunchesWhileTheProgramExitsAreServedAndOneAfterItsEndRunsIt) {
    ASSERT_TRUE(startExitingPrimary());
    std::vector<Request> ending;
    for (int i = 0; i < 5; ++i) ending.push_back(request(50 + i, L"while it exits"));
    expectAnswered(ending);
    test::writeBytes(folder.path() / "end", "");
    const test::CapturedRun first = finish(primary);
    EXPECT_EQ(first.exitCode, 7u) << first.err;
    EXPECT_EQ(test::reported(first.out, "hook"), "done") << first.out;
    for (const auto& arguments : sent) {
        EXPECT_EQ(countLines(first.out, "secondary=" + joined(arguments)), 1u) << joined(arguments);
    }

    std::vector<Request> after;
    after.push_back(request(60, L"after the end"));
    expectAnswered(after);
    EXPECT_EQ(countLines(runs.back().out, "started=" + joined(sent.back())), 1u) << runs.back().out;
    for (const auto& arguments : sent) EXPECT_EQ(timesServed(arguments), 1u) << joined(arguments);
}

// Launches spread over the moment System.exit ends the runtime: each is
// either served by the program or, once the program can serve no more,
// told so and run by a new first start. None may end with the old start's
// exit code unserved.
TEST_P(RealForwarding, LaunchesAcrossTheRuntimesExitAreNeitherLostNorDoubled) {
    ASSERT_TRUE(startExitingPrimary());
    std::vector<Request> spread;
    for (int i = 0; i < 16; ++i) {
        if (i == 4) test::writeBytes(folder.path() / "end", "");
        spread.push_back(request(70 + i, L"as it exits"));
        Sleep(40);
    }
    expectAnswered(spread);
    EXPECT_EQ(finish(primary).exitCode, 7u);
    for (const auto& arguments : sent) EXPECT_EQ(timesServed(arguments), 1u) << joined(arguments);
}

INSTANTIATE_TEST_SUITE_P(Forms, RealForwarding,
                         ::testing::Values(Form{"IntForm", "realapp.Serve", true},
                                           Form{"VoidForm", "realapp.ServeVoid", false}),
                         [](const ::testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

} // namespace
} // namespace launcher::forwarding_rows
