// Single-instance forwarding with the machine's real Java runtime and the
// forward program of tests/java: the first launch runs Java, later launches
// of the same executable are answered by its secondaryMain.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "instance/InstanceNames.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <unistd.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using ForwardedLaunch = std::future<test::ChildResult>;

// A forwarded call may print before main does.
bool hasLine(const std::string& out, const std::string& line) {
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
}

// The user's runtime folder, as a session manager makes it: the user's own.
fs::path privateFolder(const fs::path& path) {
    fs::create_directories(path);
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace);
    return path;
}

class JavaForwarding : public ::testing::Test {
protected:
    test::TempFolder folder;
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    fs::path runtimeFolder = privateFolder(folder.path() / "run");
    test::EnvironmentOverride runtimeVariable{u"XDG_RUNTIME_DIR", runtimeFolder.u16string()};

    fs::path install(const std::string& where, const std::string& mainClass, const std::string& singleInstance = "yes",
                     const std::string& parameters = "") {
        const fs::path build = test::buildFolder();
        const fs::path dir = folder.path() / where;
        fs::create_directories(dir);
        fs::copy_file(build / "bin" / "launcher", dir / "app");
        fs::copy_file(build / "java" / "forward.jar", dir / "forward.jar");
        test::writeBytes(dir / "app.ini", "[Java Runtime Environment]\nMain Class=" + mainClass +
                                              "\nVirtual Machine Parameters=" + parameters + "\n[Class Path]\nClass Path=forward.jar\n" +
                                              "[Application]\nSingle Instance=" + singleInstance + "\n");
        return dir / "app";
    }
    static ForwardedLaunch start(const fs::path& exe, std::vector<std::string> arguments) {
        return std::async(std::launch::async, [exe, arguments] { return test::runChild(exe.string(), arguments, 120); });
    }
    static int run(const fs::path& exe, const std::vector<std::string>& arguments) {
        return test::runChild(exe.string(), arguments, 120).exitCode;
    }
    // The first launch has claimed the name once its socket is there; a
    // later launch started before that could become the primary itself.
    bool awaitClaim(const fs::path& exe) const {
        const fs::path socket = runtimeFolder / (instanceSocketName(exe.u16string(), getuid()) + ".sock");
        for (int i = 0; i < 1200; ++i) {
            if (fs::is_socket(socket)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Java has started main once a later launch gets an answer from it:
    // "N tagN" is answered with N. A first launch that has ended meanwhile
    // is reported with what it printed, not waited for.
    ::testing::AssertionResult awaitPrimary(const fs::path& exe, ForwardedLaunch& primary) const {
        auto ended = [&primary](const char* when) {
            test::ChildResult result = primary.get();
            return ::testing::AssertionFailure()
                   << "the first launch ended " << when << " with " << result.exitCode << ": " << result.out << result.err;
        };
        if (!awaitClaim(exe)) {
            if (primary.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return ended("before it claimed the name");
            std::string present;
            for (const auto& entry : fs::directory_iterator(runtimeFolder)) present += " " + entry.path().filename().string();
            return ::testing::AssertionFailure() << "the first launch never claimed the name; the runtime folder holds:" << present;
        }
        for (int i = 0; i < 100; ++i) {
            if (primary.wait_for(std::chrono::seconds(0)) == std::future_status::ready) return ended("before it answered");
            if (run(exe, {"1", "tag1"}) == 1) return ::testing::AssertionSuccess();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return ::testing::AssertionFailure() << "the first launch never answered";
    }
    static void stop(const fs::path& exe, ForwardedLaunch& primary, test::ChildResult& result) {
        EXPECT_EQ(run(exe, {"stop"}), 101);
        result = primary.get();
    }
};

TEST_F(JavaForwarding, SecondLaunchReachesSecondaryMainWithEveryArgument) {
    fs::path exe = install("app", "forward.Main");
    ForwardedLaunch primary = start(exe, {"linger"});
    ASSERT_TRUE(awaitPrimary(exe, primary));
    EXPECT_EQ(run(exe, {"7", "tag7"}), 7);
    EXPECT_EQ(run(exe, {"a", "", "\xc3\xa9\xe4\xb8\xad"}), 103);
    EXPECT_EQ(run(exe, {}), 100);
    EXPECT_EQ(run(exe, {"throw"}), 0) << "a throwing int form answers what the call returned";
    test::ChildResult r;
    stop(exe, primary, r);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(hasLine(r.out, "secondary a||\xc3\xa9\xe4\xb8\xad")) << r.out;
    EXPECT_TRUE(hasLine(r.out, "secondary ")) << r.out;
    EXPECT_NE(r.err.find("IllegalStateException: thrown by secondaryMain"), std::string::npos) << r.err;
}

TEST_F(JavaForwarding, VoidFormAnswersZero) {
    fs::path exe = install("app", "forward.VoidForm");
    ForwardedLaunch primary = start(exe, {"linger"});
    ASSERT_TRUE(awaitClaim(exe));
    EXPECT_EQ(run(exe, {"6", "tag6"}), 0);
    EXPECT_EQ(run(exe, {"stop"}), 0);
    test::ChildResult r = primary.get();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(hasLine(r.out, "secondary 6|tag6")) << r.out;
}

TEST_F(JavaForwarding, CapitalYesAndOtherPathsRunTheirOwnJava) {
    struct Case {
        const char* where;
        const char* value;
    };
    for (const Case& c : {Case{"capital", "Yes"}, Case{"other", "yes"}}) {
        SCOPED_TRACE(c.where);
        fs::path first = install(std::string(c.where) + "1", "forward.Main", c.value, "-Dforward.linger=4000");
        fs::path second = c.value == std::string("yes") ? install(std::string(c.where) + "2", "forward.Main", c.value)
                                                        : first;
        ForwardedLaunch primary = start(first, {"linger"});
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        test::ChildResult own = test::runChild(second.string(), {"exit", "4"}, 120);
        EXPECT_EQ(own.exitCode, 4);
        EXPECT_NE(own.out.find("main exit|4"), std::string::npos) << own.out;
        test::ChildResult r = primary.get();
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.find("secondary"), std::string::npos) << r.out;
    }
}

TEST_F(JavaForwarding, ArgumentsJustOverTheBlockEndWith255) {
    fs::path exe = install("app", "forward.Main");
    ForwardedLaunch primary = start(exe, {"linger"});
    ASSERT_TRUE(awaitPrimary(exe, primary));
    EXPECT_EQ(run(exe, {std::string(518, 'x')}), 101);
    EXPECT_EQ(run(exe, {std::string(519, 'x')}), 255);
    test::ChildResult r;
    stop(exe, primary, r);
    EXPECT_EQ(r.out.find("secondary " + std::string(519, 'x')), std::string::npos);
}

// Loading the main class takes two seconds, so these launches arrive while
// the primary is still starting: they wait instead of failing.
TEST_F(JavaForwarding, LaunchBeforeMainWaitsAndGetsThePrimarysExitCodeWithoutAnAnswer) {
    fs::path exe = install("app", "forward.Main", "yes", "-Dforward.initDelay=2000");
    ForwardedLaunch primary = start(exe, {"linger"});
    ASSERT_TRUE(awaitClaim(exe));
    EXPECT_EQ(run(exe, {"3", "tag3"}), 3);
    test::ChildResult r;
    stop(exe, primary, r);
    EXPECT_NE(r.out.find("secondary 3|tag3"), std::string::npos) << r.out;

    fs::path silent = install("silent", "forward.Silent", "yes", "-Dforward.initDelay=2000");
    ForwardedLaunch exiting = start(silent, {"exit", "6"});
    ASSERT_TRUE(awaitClaim(silent));
    EXPECT_EQ(run(silent, {"x"}), 6);
    EXPECT_EQ(exiting.get().exitCode, 6);
}

// Bursts of launches, each followed by one more: the burst leaves the
// primary able to serve the next launch at once.
TEST_F(JavaForwarding, TwentyLaunchesAtOnceEachGetTheirOwnAnswer) {
    fs::path exe = install("app", "forward.Main");
    ForwardedLaunch primary = start(exe, {"linger"});
    ASSERT_TRUE(awaitPrimary(exe, primary));
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int first = 10 + 20 * round;
        std::vector<ForwardedLaunch> launches;
        for (int i = 0; i < 20; ++i) {
            launches.push_back(start(exe, {std::to_string(first + i), "tag" + std::to_string(first + i)}));
        }
        for (int i = 0; i < 20; ++i) EXPECT_EQ(launches[i].get().exitCode, first + i);
        EXPECT_EQ(run(exe, {"7", "tag7"}), 7);
    }
    test::ChildResult r;
    stop(exe, primary, r);
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

// main returns while a thread of the program keeps it running: the runtime
// waits for that thread inside DestroyJavaVM, and launches are served there.
TEST_F(JavaForwarding, LaunchIsServedAfterMainReturnedWhileAThreadKeepsTheProgramRunning) {
    fs::path exe = install("app", "forward.Main");
    const fs::path tracePath = folder.path() / "trace.txt";
    std::optional<test::EnvironmentOverride> launchTrace;
    launchTrace.emplace(u"QX_LAUNCHER_TRACE", tracePath.u16string());
    ForwardedLaunch primary = start(exe, {"thread"});
    bool returned = false;
    for (int i = 0; i < 1200 && !returned; ++i) {
        returned = fs::exists(tracePath) && test::readBytes(tracePath).find("main returned") != std::string::npos;
        if (!returned) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    launchTrace.reset();
    ASSERT_TRUE(returned) << (fs::exists(tracePath) ? test::readBytes(tracePath) : "no trace");
    EXPECT_EQ(run(exe, {"7", "tag7"}), 7);
    test::ChildResult r;
    stop(exe, primary, r);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const size_t mainReturned = r.out.find("main returned");
    ASSERT_NE(mainReturned, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("secondary 7|tag7", mainReturned), std::string::npos) << r.out;
}

} // namespace
} // namespace launcher
