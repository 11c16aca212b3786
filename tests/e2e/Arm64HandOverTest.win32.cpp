// The x64 launcher and its ARM64 sibling side by side, on a computer that
// test builds of the launcher report as ARM64: viewer.exe is the x64
// launcher there, viewer-arm64.exe the sibling (an x64 program that claims
// to be the ARM64 build, so it loads the x64 stand-in runtime). Each INI
// adds its own "Cmd" argument, so the stand-in's trace shows which launcher
// ran main. Also the 32-bit pair's single-instance slot, with an x64 copy
// of the launcher as the "32-bit" one: the x64 launcher reads only the
// header of the runtime it hands over.

#include "jre/Bitness.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <optional>
#include <sstream>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class Arm64HandOver : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path app = folder.path() / "My App";
    fs::path x64 = app / "viewer.exe";
    fs::path sibling = app / "viewer-arm64.exe";
    fs::path standin = test::standinHome("standard");
    fs::path tracePath = folder.path() / "trace.txt";
    fs::path launchTrace = folder.path() / "launch.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride launchTraceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::EnvironmentOverride noMark{u"QX_LAUNCHER_ARM64_HANDOVER", std::nullopt};

    void SetUp() override {
        if (kProcessWidth != LibraryWidth::X64) GTEST_SKIP() << "the x64 suite starts the x64 test builds";
        fs::create_directories(app);
        test::writeBytes(app / "app.jar", "PK");
    }
    void installSiblings() {
        fs::copy_file(test::builtProgramFolder() / "launcher_on_arm64.exe", x64);
        fs::copy_file(test::builtProgramFolder() / "launcher_arm64_sibling.exe", sibling);
    }
    // An INI: the main class, a "JRE Path" (none: no runtime fits), the
    // launcher's own "Cmd" argument and more lines of "Application".
    static std::string ini(const std::string& mainClass, const fs::path& jrePath, const std::string& cmd,
                           const std::string& application) {
        std::string text = "[Java Runtime Environment]\r\nMain Class=" + mainClass + "\r\nMinimum Version=90\r\n";
        if (!jrePath.empty()) text += "JRE Path=" + jrePath.string() + "\r\n";
        return text + "[Class Path]\r\nClass Path=app.jar\r\n[Application]\r\nCmd=" + cmd + "\r\n" + application;
    }
    void writeInis(const std::string& mainClass, const fs::path& x64Runtime, const fs::path& siblingRuntime,
                   const std::string& application = "") {
        test::writeBytes(app / "viewer.ini", ini(mainClass, x64Runtime, "from-x64",
                                                 "ARM64 Product=viewer-arm64.exe\r\nPair Return Code=Yes\r\n" +
                                                     application));
        test::writeBytes(app / "viewer-arm64.ini", ini(mainClass, siblingRuntime, "from-sibling",
                                                       "X64 Product=viewer.exe\r\nPair Return Code=Yes\r\n" + application));
    }
    // Runs a launcher until it ends, or until its runtime-not-found dialog
    // shows, which is then cancelled: true for the dialog.
    static bool endsInTheDialog(const fs::path& exe, const std::wstring& arguments) {
        test::StartedProcess process(exe.wstring(), arguments);
        for (int i = 0; i < 1200; ++i) {
            if (process.waitForExit(25) != STILL_ACTIVE) return false;
            if (HWND dialog = test::waitForProcessWindow(process.id(), L"#32770", 1)) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                process.waitForExit(10000);
                return true;
            }
        }
        return false;
    }
    std::string trace() const { return fs::exists(tracePath) ? test::readBytes(tracePath) : std::string(); }
    std::string launches() const { return fs::exists(launchTrace) ? test::readBytes(launchTrace) : std::string(); }
    static size_t count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
    bool awaitTrace(const std::string& part) const {
        for (int i = 0; i < 600; ++i) {
            if (trace().find(part) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    static std::future<test::LaunchResult> startLaunch(const fs::path& exe, std::vector<std::string> arguments) {
        return std::async(std::launch::async, [exe, arguments] { return test::launch(exe, arguments); });
    }
};

TEST_F(Arm64HandOver, TheSiblingRunsTheLaunchAndItsAnswerComesBack) {
    installSiblings();
    writeInis("standin.Exit", standin, standin);
    test::LaunchResult result = test::launch(x64, {"7", "a b"});
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    EXPECT_EQ(result.exitCode, 7) << launches();
    EXPECT_NE(trace().find("main [7][a b][from-sibling]\n"), std::string::npos) << trace();
    EXPECT_EQ(count(trace(), "main ["), 1u) << trace();
    EXPECT_EQ(count(launches(), "hand-over: starting the ARM64 sibling"), 1u) << launches();
}

TEST_F(Arm64HandOver, ASiblingWithoutRuntimeHandsBackOnceAndTheX64LauncherRunsIt) {
    installSiblings();
    writeInis("standin.Exit", standin, {});
    test::LaunchResult result = test::launch(x64, {"5"});
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    EXPECT_EQ(result.exitCode, 5) << launches();
    EXPECT_NE(trace().find("main [5][from-x64]\n"), std::string::npos) << trace();
    EXPECT_EQ(count(trace(), "main ["), 1u) << trace();
    const std::string steps = launches();
    EXPECT_EQ(count(steps, "hand-over: starting the ARM64 sibling"), 1u) << steps;
    EXPECT_EQ(count(steps, "hand-over: starting the x64 launcher"), 1u) << steps;
    EXPECT_EQ(count(steps, "hand-over: handed back by the ARM64 sibling"), 1u) << steps;
}

// The round as an elevated start makes it: the mark is a flag that such a
// start follows, since where it leads comes from the launchers' own INIs.
TEST_F(Arm64HandOver, AnElevatedRoundHandsBackAsWell) {
    if (!test::canLaunchElevated()) GTEST_SKIP() << "the tests cannot start a program elevated";
    installSiblings();
    writeInis("standin.Exit", standin, {});
    EXPECT_EQ(test::launch(x64, {"6"}, true).exitCode, 6);
    EXPECT_NE(trace().find("main [6][from-x64]\n"), std::string::npos) << trace();
    EXPECT_EQ(count(trace(), "main ["), 1u) << trace();
}

// The sibling started with a mark in its environment and no runtime of its
// own: it hands back only for the flag, and only to the x64 launcher its own
// INI names beside it. The environment is anyone's to set; a mark that
// named a program would run it (here a launcher elsewhere, with a runtime).
TEST_F(Arm64HandOver, TheSiblingHandsBackOnlyToTheX64LauncherItsIniNames) {
    installSiblings();
    writeInis("standin.Exit", standin, {});
    const fs::path elsewhere = folder.path() / "Public";
    fs::create_directories(elsewhere);
    fs::copy_file(test::builtLauncher(), elsewhere / "evil.exe");
    test::writeBytes(elsewhere / "evil.ini", ini("standin.Exit", standin, "from-evil", ""));
    // Cut at its last backslash, this path's folder is the sibling's own.
    const std::u16string dotted = app.u16string() + u"\\../Public/evil.exe";
    const std::string siblingIni = test::readBytes(app / "viewer-arm64.ini");
    const struct {
        const char* label;
        std::optional<std::u16string> mark;
        const char* x64Product; // the line in the sibling's INI
        bool handsBack;
        const char* traced;
    } rows[] = {
        {"the flag", u"from-x64", "X64 Product=viewer.exe", true, "hand-over: starting the x64 launcher"},
        {"a path", dotted, "X64 Product=viewer.exe", false, "is ignored: its values are"},
        {"the x64 launcher's path", x64.u16string(), "X64 Product=viewer.exe", false, "is ignored: its values are"},
        {"the flag without the key", u"from-x64", "", false, "no \"X64 Product\""},
        {"the key naming a path", u"from-x64", "X64 Product=..\\Public\\evil.exe", false, "not a plain file name"},
        {"the key naming a missing file", u"from-x64", "X64 Product=gone.exe", false, "gone.exe does not exist"},
    };
    for (const auto& row : rows) {
        std::string text = siblingIni;
        text.replace(text.find("X64 Product=viewer.exe"), 22, row.x64Product);
        test::writeBytes(app / "viewer-arm64.ini", text);
        fs::remove(tracePath);
        fs::remove(launchTrace);
        test::EnvironmentOverride mark(u"QX_LAUNCHER_ARM64_HANDOVER", row.mark);
        if (row.handsBack) {
            EXPECT_EQ(test::launch(sibling, {"5"}).exitCode, 5) << row.label << "\n" << launches();
            EXPECT_NE(trace().find("main [5][from-x64]\n"), std::string::npos) << row.label << "\n" << trace();
        } else {
            EXPECT_TRUE(endsInTheDialog(sibling, L"5")) << row.label << "\n" << launches();
            EXPECT_EQ(trace(), "") << row.label;
        }
        EXPECT_NE(launches().find(row.traced), std::string::npos) << row.label << "\n" << launches();
    }
}

TEST_F(Arm64HandOver, ASecondLaunchReachesTheApplicationThatTheSiblingRuns) {
    installSiblings();
    writeInis("standin.SecondaryInt", standin, standin, "Single Instance=yes\r\n");
    auto primary = startLaunch(x64, {"first"});
    ASSERT_TRUE(awaitTrace("main [first][from-sibling]")) << launches();
    test::LaunchResult second = test::launch(x64, {"42", "b"});
    EXPECT_EQ(second.exitCode, 42) << launches();
    EXPECT_EQ(count(trace(), "secondaryMain [42][b]"), 1u) << trace();
    EXPECT_EQ(test::launch(x64, {"stop"}).exitCode, 0);
    EXPECT_EQ(primary.get().exitCode, 0) << launches();
    EXPECT_EQ(count(trace(), "main ["), 1u) << trace();
}

// A launcher that hands the launch to its pair gives up its slot: the pair
// takes one of its own, and a second launch of the same launcher reaches
// the application there instead of waiting on a start that never runs it.
TEST_F(Arm64HandOver, APairedStartGivesUpItsSlotForTheApplicationOfThePair) {
    const fs::path pair = app / "viewer32.exe", narrowHome = folder.path() / "x86 runtime";
    fs::copy_file(test::builtLauncher(), x64);
    fs::copy_file(test::builtLauncher(), pair);
    test::writeBytes(narrowHome / "bin" / "server" / "jvm.dll", test::libraryImage(test::Machine::X86));
    test::writeBytes(narrowHome / "bin" / "java.dll", "marker");
    test::writeBytes(app / "viewer.ini", ini("standin.SecondaryInt", narrowHome, "from-x64",
                                             "Pair Product=viewer32.exe\r\nPair Return Code=Yes\r\nSingle Instance=yes\r\n"));
    test::writeBytes(app / "viewer32.ini", ini("standin.SecondaryInt", standin, "from-pair", "Single Instance=yes\r\n"));
    auto primary = startLaunch(x64, {"first"});
    ASSERT_TRUE(awaitTrace("main [first][from-pair]")) << launches();
    test::LaunchResult second = test::launch(x64, {"42"});
    EXPECT_EQ(second.exitCode, 42) << launches();
    EXPECT_EQ(count(trace(), "secondaryMain [42]"), 1u) << trace();
    EXPECT_EQ(test::launch(x64, {"stop"}).exitCode, 0);
    EXPECT_EQ(primary.get().exitCode, 0) << launches();
}

} // namespace
} // namespace launcher
