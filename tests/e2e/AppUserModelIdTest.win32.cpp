// The taskbar identity of a launch: "App User Model ID" reaches the shell
// before the launch opens any window, and a value Windows would not take
// stops the launch with a message that names it.

#include "probe/StandinProbe.h"
#include "support/CapturedRun.win32.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class AppUserModelId : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    fs::path tracePath = folder.path() / "trace.log";
    test::EnvironmentOverride standinTrace{u"STANDIN_TRACE", (folder.path() / "standin.txt").u16string()};
    test::EnvironmentOverride launchTrace{u"QX_LAUNCHER_TRACE", tracePath.u16string()};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        test::writeBytes(folder.path() / "app.jar", "PK");
    }
    void writeIni(const std::string& id) {
        test::writeBytes(folder.path() / "viewer.ini",
                         "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nJRE Path=" + test::standinHome("standard").string() +
                             "\r\n[Class Path]\r\nClass Path=app.jar\r\n[Application]\r\nApp User Model ID=" + id + "\r\n");
    }
};

// The system's answer, as the launch trace gives it (Wine's shell keeps no
// identity to read back; the installer suite reads what reached it).
TEST_F(AppUserModelId, SetForTheProcessBeforeTheRuntimeStarts) {
    writeIni("ACME.Viewer.Main");
    test::CapturedRun run = test::runCaptured(exe, L"one");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    std::string trace = test::readBytes(tracePath);
    size_t set = trace.find("App User Model ID \"ACME.Viewer.Main\": set");
    ASSERT_NE(set, std::string::npos) << trace;
    EXPECT_LT(set, trace.find("VM option 1")) << trace;
    // Without the key the shell is not asked.
    writeIni("");
    fs::remove(tracePath);
    run = test::runCaptured(exe, L"two");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(test::readBytes(tracePath).find("VM option 1"), std::string::npos);
    EXPECT_EQ(test::readBytes(tracePath).find("App User Model ID \""), std::string::npos) << test::readBytes(tracePath);
}

TEST_F(AppUserModelId, ValueWindowsRefusesStopsTheLaunchWithAMessage) {
    writeIni("ACME Viewer");
    test::StartedProcess launcher(exe.wstring(), L"one");
    ASSERT_TRUE(launcher.started());
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    bool named = false;
    for (const test::ChildWindow& child : test::childWindows(box)) {
        named = named || child.text == L"App User Model ID: ACME Viewer is not an identity Windows accepts: it has 1 to 128 "
                                       L"characters and no spaces.";
    }
    EXPECT_TRUE(named);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
    EXPECT_FALSE(fs::exists(folder.path() / "standin.txt")) << "the runtime was started";
}

} // namespace
} // namespace launcher
