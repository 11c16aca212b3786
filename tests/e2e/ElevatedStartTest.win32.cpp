// An elevated start ("Run as administrator") leaves out what the user's
// unelevated programs can write: here the per-user INI, whose "JRE Path"
// would otherwise choose the runtime, and the trace file that the user's
// variable names. The same launcher started as a user follows both: its
// launch trace names the runtime library.

#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class ElevatedStart : public ::testing::TestWithParam<bool> {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    fs::path tracePath = folder.path() / "launch.txt";
    test::EnvironmentOverride appData{u"APPDATA", folder.text(u"roaming")};
    test::EnvironmentOverride launchTrace{u"QX_LAUNCHER_TRACE", tracePath.u16string()};
    test::EnvironmentOverride standinTrace{u"STANDIN_TRACE", folder.text(u"standin.txt")};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        test::writeBytes(folder.path() / "app.jar", "PK");
        // Told apart by the runtime's trace: only the standard stand-in
        // looks classes up through the boot loader's entry.
        fs::copy(test::standinHome("standard"), folder.path() / "vendor-jre", fs::copy_options::recursive);
        fs::copy(test::standinHome("no-bootloader"), folder.path() / "user-jre", fs::copy_options::recursive);
        test::writeText(folder.path() / "viewer.ini",
                        u"[Product Information]\nProduct Name=Viewer\nProduct Code=7\n[Java Runtime Environment]\n"
                        u"Main Class=standin.Echo\nJRE Path=vendor-jre\n[Class Path]\nClass Path=app.jar\n");
        // What a user's unelevated program could have written.
        test::writeText(folder.path() / "roaming" / "Viewer" / "7" / "viewer.ini",
                        u"[Java Runtime Environment]\nJRE Path=" + folder.text(u"user-jre") + u"\n");
    }
};

TEST_P(ElevatedStart, LeavesOutThePerUserIni) {
    const bool elevated = GetParam();
    if (elevated && !test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    test::LaunchResult result = test::launch(exe, {}, elevated);
    const std::string runtimeTrace = test::readBytes(folder.path() / "standin.txt");
    EXPECT_EQ(result.exitCode, 0) << runtimeTrace;
    EXPECT_EQ(runtimeTrace.find("FindClassFromBootLoader") != std::string::npos, elevated) << runtimeTrace;
    // An elevated process appends to no file the user names.
    EXPECT_EQ(fs::exists(tracePath), !elevated);
    if (elevated) return;
    const std::string trace = test::readBytes(tracePath);
    EXPECT_NE(trace.find("runtime library: " + toUtf8(folder.text(u"user-jre")) + "\\bin\\server\\jvm.dll"),
              std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("user sources: "), std::string::npos) << trace;
}

// The runtime search looks in Windows's program folder. Its variable is the
// user's to set (the user's own variables override the machine's), so an
// elevated start takes the folder from where Windows keeps it; the user's
// start follows the variable.
TEST_P(ElevatedStart, SearchesTheProgramFolderWindowsKeepsNotTheVariable) {
    const bool elevated = GetParam();
    if (elevated && !test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    const fs::path planted = folder.path() / "planted";
    const fs::path home = planted / "Eclipse Adoptium" / "jdk-21.0.1.12-hotspot";
    fs::create_directories(home);
    fs::copy(test::standinHome("standard"), home, fs::copy_options::recursive);
    test::writeBytes(home / "release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"21.0.1\"\n");
    // Wine sets a starting process's ProgramFiles from ProgramW6432, or from
    // ProgramFiles(x86) for a 32-bit one: all come from the parent.
    test::EnvironmentOverride programFiles(u"ProgramFiles", planted.u16string());
    test::EnvironmentOverride programW6432(u"ProgramW6432", planted.u16string());
    test::EnvironmentOverride programFilesX86(u"ProgramFiles(x86)", planted.u16string());
    fs::remove(folder.path() / "roaming" / "Viewer" / "7" / "viewer.ini");
    test::writeText(folder.path() / "viewer.ini", u"[Java Runtime Environment]\nMain Class=standin.Echo\n"
                                                  u"[Class Path]\nClass Path=app.jar\n");
    test::StartedProcess process(exe.wstring(), L"", elevated ? test::Rights::Administrator : test::Rights::User);
    ASSERT_TRUE(process.started());
    bool dialog = false;
    DWORD code = STILL_ACTIVE;
    for (int i = 0; i < 1200 && code == STILL_ACTIVE && !dialog; ++i) {
        code = process.waitForExit(25);
        if (HWND shown = test::waitForProcessWindow(process.id(), L"#32770", 1)) {
            dialog = true;
            PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
        }
    }
    EXPECT_EQ(dialog, elevated) << (fs::exists(tracePath) ? test::readBytes(tracePath) : "");
    const fs::path runtimeTrace = folder.path() / "standin.txt";
    EXPECT_EQ(fs::exists(runtimeTrace), !elevated);
    if (!elevated) {
        EXPECT_EQ(code, 0u) << test::readBytes(runtimeTrace);
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, ElevatedStart, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "AsAdministrator" : "AsUser");
                         });

} // namespace
} // namespace launcher
