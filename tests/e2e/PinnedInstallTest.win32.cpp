// The Windows launcher installs the vendor's pinned runtime (the stand-in's
// zip, served over loopback): from the runtime-not-found dialog's Install
// button, or in a progress window of its own with "Runtime Download=
// Automatic"; never in an elevated start or a service. The probe presses
// the buttons as a person would.

#include "PinnedInstallFixture.win32.h"
#include "support/Screenshot.win32.h"

namespace launcher {
namespace {

namespace fs = std::filesystem;
using test::shown;

// The stand-in's zip in twenty pieces: slow enough for the probe to see
// the progress, quick enough for the test.
test::ServedReply slowly(int pieceDelayMs = 100) {
    return test::ServedReply{.framing = test::ServedReply::Framing::Slow, .pieceDelayMs = pieceDelayMs};
}

class PinnedInstall : public test::PinnedInstallFixture {
protected:
    // The status line while the download is under way, once a piece arrived.
    bool downloading(HWND window) const {
        const std::wstring status = test::windowText(test::dialogControl(window, dialog::kInstallStatus));
        return shown(window, dialog::kInstallProgress) && status.starts_with(L"Downloading the Java runtime: ") &&
               status.find(L"%)") != std::wstring::npos && !status.ends_with(L"(0%)");
    }
    // The dialog's own body is back after an install that ended.
    bool bodyBack(HWND dialog) const {
        return shown(dialog, dialog::kInstallButton) && shown(dialog, dialog::kDownloadLink) &&
               shown(dialog, dialog::kBrowseButton) && !shown(dialog, dialog::kInstallProgress) &&
               IsWindowEnabled(test::dialogControl(dialog, IDCANCEL));
    }
};

TEST_F(PinnedInstall, TheDialogInstallsAndTheStartGoesOnWithoutAnotherClick) {
    const fs::path installed = serveStandin(slowly(), "Runtime Download Size=2500000\r\n");
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);

    HWND install = test::dialogControl(dialog, dialog::kInstallButton);
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(test::windowText(install), L"Install Java for Viewer");
    EXPECT_EQ(LOWORD(test::sendWithin(dialog, DM_GETDEFID)), dialog::kInstallButton);
    EXPECT_EQ(GetWindowLongW(install, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(test::dialogControl(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_NE(test::windowText(test::dialogControl(dialog, dialog::kInstallNote)).find(L"2.5 MB"), std::wstring::npos);
    // Beside the link and the picker, none of them covering another, and
    // all inside the dialog.
    const RECT button = test::rectInParent(install);
    const RECT note = test::rectInParent(test::dialogControl(dialog, dialog::kInstallNote));
    const RECT ok = test::rectInParent(test::dialogControl(dialog, IDOK));
    EXPECT_GE(button.top, test::rectInParent(test::dialogControl(dialog, dialog::kBrowseButton)).bottom);
    EXPECT_GE(note.top, button.bottom);
    EXPECT_GE(ok.top, note.bottom);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_LE(test::rectInParent(test::dialogControl(dialog, IDCANCEL)).bottom, client.bottom);
    EXPECT_FALSE(shown(dialog, dialog::kInstallProgress));
    test::waitUntil([&] { return test::showsColour(test::dialogControl(dialog, dialog::kDownloadLink), RGB(0, 0, 255)); },
                    3000);
    test::saveScreenshot("jre-not-found-install");

    test::press(dialog, dialog::kInstallButton);
    EXPECT_TRUE(test::waitUntil([&] { return downloading(dialog); }, 30000)) << text(launchTrace);
    EXPECT_FALSE(shown(dialog, dialog::kMessageText)) << "the progress replaces the body";
    EXPECT_FALSE(shown(dialog, dialog::kBrowseButton));
    EXPECT_TRUE(shown(dialog, IDCANCEL));
    test::saveScreenshot("jre-not-found-installing");

    EXPECT_EQ(launcher.waitForExit(60000), 0u) << text(launchTrace);
    EXPECT_TRUE(applicationRan("[x]")) << text(standinTrace);
    EXPECT_TRUE(fs::exists(installed / "bin" / "server" / "jvm.dll"));
    EXPECT_EQ(runtimeFolderNames(), std::vector<std::string>{installed.filename().string()});
    EXPECT_EQ(server.connections(), 1);
    EXPECT_NE(text(launchTrace).find("runtime library: " + installed.string()), std::string::npos) << text(launchTrace);

    // The next start finds it: no dialog, no request.
    fs::remove(standinTrace);
    const test::LaunchResult again = test::launch(exe, {"y"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.messages.empty());
    EXPECT_TRUE(applicationRan("[y]"));
    EXPECT_EQ(server.connections(), 1);
}

// Cancel ends the download at once, although the server would go on for
// another half minute: the partial file is gone and the dialog is back,
// with its link and picker; closing it then ends the start at once too.
TEST_F(PinnedInstall, CancelEndsTheDownloadAndBringsTheDialogBack) {
    serveStandin(slowly(1500));
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, dialog::kInstallNote)).find(L"MB"), std::wstring::npos)
        << "no size is configured";
    test::press(dialog, dialog::kInstallButton);
    ASSERT_TRUE(test::waitUntil([&] { return downloading(dialog); }, 30000)) << text(launchTrace);
    const std::vector<std::string> during = runtimeFolderNames();
    ASSERT_EQ(during.size(), 1u);
    EXPECT_NE(during.front().find(".download-"), std::string::npos) << during.front();

    test::press(dialog, IDCANCEL);
    EXPECT_TRUE(test::waitUntil([&] { return bodyBack(dialog); }, 10000)) << text(launchTrace);
    EXPECT_TRUE(runtimeFolderNames().empty()) << runtimeFolderNames().front();
    EXPECT_EQ(test::waitForProcessWindow(launcher.id(), L"#32770", 500, dialog), nullptr) << "no message after Cancel";
    EXPECT_EQ(launcher.waitForExit(200), STILL_ACTIVE);
    EXPECT_NE(text(launchTrace).find("the install was cancelled"), std::string::npos) << text(launchTrace);

    test::press(dialog, IDCANCEL);
    EXPECT_EQ(launcher.waitForExit(10000), static_cast<DWORD>(-1)) << "the abandoned download held the process";
}

// A download that is not the pinned file: its message names both
// checksums, nothing is unpacked, and the dialog is back for another way.
TEST_F(PinnedInstall, AWrongChecksumIsShownAndNothingIsUnpacked) {
    const std::string zip = test::standinRuntimeZip();
    server.serve("/jre.zip", test::ServedReply{.body = zip});
    const std::string wrong(64, 'a');
    pin("/jre.zip", wrong);
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    test::press(dialog, dialog::kInstallButton);
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000, dialog);
    ASSERT_NE(box, nullptr) << text(launchTrace);
    std::wstring message;
    test::waitUntil([&] {
        for (const test::ChildWindow& child : test::childWindows(box)) {
            if (child.className == L"Static") message += child.text;
        }
        return !message.empty();
    });
    const std::string said = toUtf8(std::u16string(message.begin(), message.end()));
    EXPECT_NE(said.find(test::sha256Of(zip)), std::string::npos) << said;
    EXPECT_NE(said.find(wrong), std::string::npos) << said;
    EXPECT_TRUE(shown(dialog, dialog::kInstallProgress)) << "the failure is read over the install's progress";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(test::waitUntil([&] { return bodyBack(dialog); }, 10000));
    EXPECT_TRUE(runtimeFolderNames().empty()) << runtimeFolderNames().front();
    test::press(dialog, IDCANCEL);
    EXPECT_EQ(launcher.waitForExit(10000), static_cast<DWORD>(-1));
}

// "Automatic": no question, only the progress window; then the start goes on.
TEST_F(PinnedInstall, AutomaticShowsOnlyTheProgressWindow) {
    const fs::path installed = serveStandin(slowly(), "Runtime Download=Automatic\r\n");
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND window = test::waitForProgressWindow(launcher.id());
    ASSERT_NE(window, nullptr) << text(launchTrace);
    EXPECT_EQ(test::windowText(window), L"Installing Java for Viewer");
    EXPECT_TRUE(test::waitUntil([&] { return downloading(window); }, 30000));
    EXPECT_TRUE(shown(window, IDCANCEL));
    test::saveScreenshot("install-progress-window");
    EXPECT_EQ(launcher.waitForExit(60000), 0u) << text(launchTrace);
    EXPECT_TRUE(applicationRan("[x]"));
    EXPECT_TRUE(fs::exists(installed / "bin" / "server" / "jvm.dll"));
    EXPECT_EQ(text(launchTrace).find("no runtime fits: asking the user"), std::string::npos) << text(launchTrace);
}

// A runtime folder that a cleaner damaged (its runtime library gone) is
// installed again in its place, here without asking as "Automatic" says,
// and the start goes on with it.
TEST_F(PinnedInstall, ADamagedFolderIsInstalledAgain) {
    const fs::path installed = serveStandin({}, "Runtime Download=Automatic\r\n");
    fs::create_directories(installed / "bin");
    test::writeBytes(installed / "release", "JAVA_VERSION=\"21\"\n");
    test::StartedProcess launcher(exe.wstring(), L"x");
    EXPECT_EQ(launcher.waitForExit(60000), 0u) << text(launchTrace);
    EXPECT_TRUE(applicationRan("[x]"));
    EXPECT_TRUE(fs::exists(installed / "bin" / "server" / "jvm.dll"));
    EXPECT_EQ(runtimeFolderNames(), std::vector<std::string>{installed.filename().string()});
    EXPECT_EQ(server.connections(), 1);
    EXPECT_NE(text(launchTrace).find("is damaged (no runtime library"), std::string::npos) << text(launchTrace);
}

// Cancelled in the progress window: the runtime-not-found dialog follows,
// with its link and picker and without another offer.
TEST_F(PinnedInstall, AutomaticCancelledLeadsToThePlainDialog) {
    serveStandin(slowly(1500), "Runtime Download=Automatic\r\n");
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND window = test::waitForProgressWindow(launcher.id());
    ASSERT_NE(window, nullptr) << text(launchTrace);
    ASSERT_TRUE(test::waitUntil([&] { return downloading(window); }, 30000));
    test::press(window, IDCANCEL);
    HWND dialog = test::waitForRuntimeDialog(launcher.id(), 10000);
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    EXPECT_EQ(test::dialogControl(dialog, dialog::kInstallButton), nullptr);
    EXPECT_TRUE(shown(dialog, dialog::kBrowseButton));
    EXPECT_TRUE(runtimeFolderNames().empty());
    test::press(dialog, IDCANCEL);
    EXPECT_EQ(launcher.waitForExit(10000), static_cast<DWORD>(-1));
}

// Starts that must not install: the dialog as without a pin (no Install
// button), and "Automatic" downloads nothing.
struct NoInstallCase {
    const char* name;
    bool elevated;
    const char* extra;
    const char* sections;
};

class PinnedInstallRefused : public PinnedInstall, public ::testing::WithParamInterface<NoInstallCase> {};

TEST_P(PinnedInstallRefused, ShowsThePlainDialogAndDownloadsNothing) {
    const NoInstallCase& row = GetParam();
    if (row.elevated && !test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    serveStandin({}, row.extra, row.sections);
    test::StartedProcess launcher(exe.wstring(), L"x", row.elevated ? test::Rights::Administrator : test::Rights::User);
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    EXPECT_EQ(test::dialogControl(dialog, dialog::kInstallButton), nullptr);
    EXPECT_EQ(test::dialogControl(dialog, dialog::kInstallProgress), nullptr);
    EXPECT_EQ(LOWORD(test::sendWithin(dialog, DM_GETDEFID)), IDOK);
    test::press(dialog, IDCANCEL);
    EXPECT_EQ(launcher.waitForExit(10000), static_cast<DWORD>(-1));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(runtimeFolderNames().empty());
    // An elevated start writes no trace to a file the user names.
    if (!row.elevated) {
        EXPECT_NE(text(launchTrace).find("pinned runtime: not installed by this start: a service installs no runtime"),
                  std::string::npos) << text(launchTrace);
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, PinnedInstallRefused,
                         ::testing::Values(NoInstallCase{"Elevated", true, "", ""},
                                           NoInstallCase{"ElevatedAutomatic", true, "Runtime Download=Automatic\r\n", ""},
                                           NoInstallCase{"Service", false, "", "[Application]\r\nApplication Type=service\r\n"},
                                           NoInstallCase{"ServiceAutomatic", false, "Runtime Download=Automatic\r\n",
                                                         "[Application]\r\nApplication Type=service\r\n"}),
                         [](const ::testing::TestParamInfo<NoInstallCase>& info) { return std::string(info.param.name); });

// The picker still works beside the offer, and once it has a valid pick,
// Enter confirms the pick instead of installing.
class PinnedInstallPick : public PinnedInstall {
protected:
    fs::path pickFile = folder.path() / "pick.txt";
    test::EnvironmentOverride pickVariable{u"LAUNCHER_TEST_PICK", pickFile.u16string()};
    void SetUp() override { prepare("launcher_scripted_pick.exe"); }
};

TEST_F(PinnedInstallPick, APickedRuntimeBecomesTheDefaultAndRuns) {
    serveStandin();
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    const std::wstring runtime = test::standinHome("standard").wstring();
    test::writeText(pickFile, std::u16string(runtime.begin(), runtime.end()));
    test::sendWithin(dialog, WM_COMMAND, MAKEWPARAM(dialog::kBrowseButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(test::dialogControl(dialog, dialog::kBrowseButton)));
    EXPECT_TRUE(IsWindowEnabled(test::dialogControl(dialog, IDOK)));
    EXPECT_EQ(LOWORD(test::sendWithin(dialog, DM_GETDEFID)), IDOK);
    EXPECT_EQ(GetWindowLongW(test::dialogControl(dialog, dialog::kInstallButton), GWL_STYLE) & BS_TYPEMASK,
              BS_PUSHBUTTON);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(30000), 0u) << text(launchTrace);
    EXPECT_TRUE(applicationRan("[x]"));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(runtimeFolderNames().empty());
}

// Without the keys the dialog is the one it always was: its ten controls,
// OK the default button.
TEST_F(PinnedInstall, WithoutAPinTheDialogIsUnchanged) {
    noPin();
    test::StartedProcess launcher(exe.wstring(), L"x");
    HWND dialog = test::waitForRuntimeDialog(launcher.id());
    ASSERT_NE(dialog, nullptr) << text(launchTrace);
    EXPECT_EQ(test::childWindows(dialog).size(), 10u);
    EXPECT_EQ(LOWORD(test::sendWithin(dialog, DM_GETDEFID)), IDOK);
    EXPECT_EQ(text(launchTrace).find("pinned runtime"), std::string::npos) << text(launchTrace);
    test::press(dialog, IDCANCEL);
    EXPECT_EQ(launcher.waitForExit(10000), static_cast<DWORD>(-1));
}

// The console variant asks nothing: it installs with its progress on
// standard error, as the Linux launcher does, and runs the program.
TEST_F(PinnedInstall, TheConsoleVariantInstallsWithoutAsking) {
    fs::remove(exe);
    fs::copy_file(test::builtProgramFolder() / "launcher-console.exe", exe);
    const fs::path installed = serveStandin();
    const test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 0) << text(launchTrace);
    EXPECT_TRUE(applicationRan("[x]"));
    EXPECT_TRUE(fs::exists(installed / "bin" / "server" / "jvm.dll"));
    EXPECT_EQ(server.connections(), 1);
}

} // namespace
} // namespace launcher
