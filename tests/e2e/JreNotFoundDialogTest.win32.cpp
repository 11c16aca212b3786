// No runtime anywhere: launcher.exe asks with the runtime-not-found dialog.
// The probe reads it, presses Browse in the test build of the launcher
// (whose folder picker answers from a file instead of the shell's window)
// and confirms a pick; the choice is remembered so that the next start
// needs no dialog.

#include "base/Text.h"
#include "base/Wide.win32.h"
#include "config/IniText.h"
#include "jre/Bitness.h"
#include "probe/StandinProbe.h"
#include "support/DialogProbe.win32.h"
#include "support/Screenshot.win32.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"
#include "ui/DialogIds.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const std::wstring kServerMessage = L"The Java Runtime Environment (JRE) was not found. Please  download and install a "
                                    L"JRE with a server JVM (version between 30.0 and 31.0.5) from:";

// A launcher copy whose INI asks for a runtime that nothing provides, with
// its own APPDATA for the per-user INI.
class JreNotFoundDialog : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer.exe";
    fs::path appData = folder.path() / "appdata";
    test::EnvironmentOverride appDataVariable{u"APPDATA", appData.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", u""};
    fs::path pickFile = folder.path() / "pick.txt";
    test::EnvironmentOverride pickVariable{u"LAUNCHER_TEST_PICK", pickFile.u16string()};

    void SetUp() override {
        fs::create_directories(appData);
        fs::copy_file(test::builtProgramFolder() / "launcher_scripted_pick.exe", exe);
        test::writeBytes(folder.path() / "app.jar", "PK");
        // Only a client flavour: not enough for a server requirement.
        test::writeBytes(folder.path() / "client-only/bin/client/jvm.dll",
                         test::libraryHeaders(kProcessWidth == LibraryWidth::X86 ? test::kPeMachineI386
                                                                                 : test::kPeMachineAmd64));
        fs::create_directories(folder.path() / "empty");
    }
    void writeIni(std::string_view jvmType, const char* name = "viewer.ini") {
        test::writeBytes(folder.path() / name,
                         "[Product Information]\r\nProduct Name=Viewer\r\nProduct Code=1.0\r\n"
                         "[Java Runtime Environment]\r\nMain Class=standin.Echo\r\nMinimum Version=30\r\n"
                         "Maximum Version=31.0.5\r\nJVM Type=" +
                             std::string(jvmType) + "\r\n[Class Path]\r\nClass Path=app.jar\r\n");
    }
    HWND waitForDialog(const test::StartedProcess& launcher) {
        HWND dialog = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
        if (dialog) {
            // The link paints itself once the dialog is shown.
            test::waitUntil([&] { return test::showsColour(test::dialogControl(dialog, 205), RGB(0, 0, 255)); }, 3000);
        }
        return dialog;
    }
    // Browse pressed and the folder chosen; true when OK is enabled then.
    bool pick(HWND dialog, const std::wstring& path) {
        test::writeText(pickFile, std::u16string(path.begin(), path.end()));
        HWND browse = test::dialogControl(dialog, dialog::kBrowseButton);
        test::sendWithin(dialog, WM_COMMAND, MAKEWPARAM(dialog::kBrowseButton, BN_CLICKED), reinterpret_cast<LPARAM>(browse));
        return IsWindowEnabled(test::dialogControl(dialog, IDOK)) != FALSE;
    }
    std::string rememberedIni() const {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(appData)) {
            if (entry.path().extension() == ".ini") return toUtf8(decodeIniBytes(test::readBytes(entry.path())));
        }
        return {};
    }
};

TEST_F(JreNotFoundDialog, ShowsTheRequirementAndAcceptsOnlyARuntimePick) {
    writeIni("server");
    test::StartedProcess launcher(exe.wstring(), L"");
    ASSERT_TRUE(launcher.started());
    HWND dialog = waitForDialog(launcher);
    ASSERT_NE(dialog, nullptr) << "no dialog appeared";

    EXPECT_EQ(test::windowText(dialog), L"JRE Not Found");
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, dialog::kMessageText)), kServerMessage);
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, dialog::kDownloadLink)), L"https://adoptium.net/");
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, dialog::kBrowseButton)), L"Browse...");
    HWND ok = test::dialogControl(dialog, IDOK);
    EXPECT_FALSE(IsWindowEnabled(ok));
    // The link in the default link colour; the dialog centred on the screen.
    EXPECT_TRUE(test::showsColour(test::dialogControl(dialog, dialog::kDownloadLink), RGB(0, 0, 255)));
    RECT box{};
    GetWindowRect(dialog, &box);
    EXPECT_NEAR((box.left + box.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    // The server requirement takes four lines at this width, one more than
    // the template's text has room for: the text grows and pushes the rest
    // of the dialog down (the link is one line high).
    const RECT message = test::rectInParent(test::dialogControl(dialog, dialog::kMessageText));
    const RECT link = test::rectInParent(test::dialogControl(dialog, dialog::kDownloadLink));
    EXPECT_GE(message.bottom - message.top, 4 * (link.bottom - link.top));
    EXPECT_LE(message.bottom, link.top);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_LE(test::rectInParent(test::dialogControl(dialog, IDCANCEL)).bottom, client.bottom);
    test::saveScreenshot("jre-not-found-dialog");

    // Enter while OK is greyed out does nothing.
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(500), STILL_ACTIVE);

    const std::wstring runtime = test::standinHome("standard").wstring();
    EXPECT_FALSE(pick(dialog, (folder.path() / "empty").wstring()));
    EXPECT_TRUE(pick(dialog, runtime));
    EXPECT_FALSE(pick(dialog, (folder.path() / "client-only").wstring())) << "a server JVM is required";
    EXPECT_FALSE(pick(dialog, L"\\\\nowhere\\share\\runtime"));
    EXPECT_FALSE(pick(dialog, L"C:\\no such folder"));
    EXPECT_TRUE(pick(dialog, runtime + L"\\"));
    EXPECT_EQ(test::controlText(test::dialogControl(dialog, dialog::kJrePathEdit)), runtime + L"\\");
    test::saveScreenshot("jre-not-found-valid-pick");

    PostMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), 0u) << "the picked runtime did not run the program";
    EXPECT_NE(rememberedIni().find("JRE Path=" + toUtf8(fromWide(runtime.c_str())) + "\\"), std::string::npos)
        << rememberedIni();

    // The next start finds the remembered runtime without asking.
    test::LaunchResult again = test::launch(exe, {});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.messages.empty());
}

// Run as administrator: the pick serves this start, but the per-user INI,
// which an elevated start does not read, is not written either.
TEST_F(JreNotFoundDialog, AnElevatedStartUsesThePickOnceWithoutRememberingIt) {
    if (!test::canStartElevated()) GTEST_SKIP() << "the tests run without administrator rights";
    writeIni("server");
    test::StartedProcess launcher(exe.wstring(), L"", test::Rights::Administrator);
    HWND dialog = waitForDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(pick(dialog, test::standinHome("standard").wstring()));
    PostMessageW(test::dialogControl(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), 0u) << "the picked runtime did not run the program";
    EXPECT_EQ(rememberedIni(), "");
}

TEST_F(JreNotFoundDialog, AnyFlavourCountsWithoutAServerRequirement) {
    writeIni("");
    test::StartedProcess launcher(exe.wstring(), L"");
    HWND dialog = waitForDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(test::windowText(test::dialogControl(dialog, dialog::kMessageText)),
              L"The Java Runtime Environment (JRE) was not found. Please  download and install a JRE (version between "
              L"30.0 and 31.0.5) from:");
    EXPECT_TRUE(pick(dialog, (folder.path() / "client-only").wstring()));
    EXPECT_FALSE(pick(dialog, (folder.path() / "empty").wstring())) << "the last pick decides";

    // Cancel ends the launch without Java and remembers nothing.
    PostMessageW(test::dialogControl(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
    EXPECT_EQ(rememberedIni(), "");
}

// A runtime of a machine this launcher cannot load (and no 32-bit pair is
// configured): a message says why it cannot be used and OK stays grey.
struct MachinePick {
    const char* name;
    uint16_t machine;
    LibraryWidth width;
};
void PrintTo(const MachinePick& p, std::ostream* out) { *out << p.name; }

class JreNotFoundDialogMachine : public JreNotFoundDialog, public testing::WithParamInterface<MachinePick> {};

TEST_P(JreNotFoundDialogMachine, OnlyARuntimeThisLauncherLoadsIsTaken) {
    const std::wstring picked = (folder.path() / "picked").wstring();
    test::writeBytes(folder.path() / "picked/bin/client/jvm.dll", test::libraryHeaders(GetParam().machine));
    writeIni("");
    test::StartedProcess launcher(exe.wstring(), L"");
    HWND dialog = waitForDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    test::writeText(pickFile, std::u16string(picked.begin(), picked.end()));
    // Posted: the pick may show a message box and wait for it.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(dialog::kBrowseButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(test::dialogControl(dialog, dialog::kBrowseButton)));
    const bool refused = GetParam().width != kProcessWidth;
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", refused ? 30000 : 2000, dialog);
    ASSERT_EQ(box != nullptr, refused);
    if (box) {
        // The box may be found before its text is in place.
        std::wstring text;
        test::waitUntil([&] {
            for (const test::ChildWindow& child : test::childWindows(box)) {
                if (child.className == L"Static") text += child.text;
            }
            return !text.empty();
        }, 10000);
        const bool tooWide = kProcessWidth == LibraryWidth::X86 && GetParam().width == LibraryWidth::X64;
        const std::wstring expected = L"The Java runtime library " + picked + L"\\bin\\client\\jvm.dll " +
                                      (tooWide ? L"is a 64-bit library" : L"does not fit this program: ");
        EXPECT_NE(text.find(expected), std::wstring::npos) << toUtf8(std::u16string(text.begin(), text.end()));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(test::waitUntil([&] { return !IsWindow(box); }, 10000));
    }
    test::sendWithin(dialog, WM_NULL);
    EXPECT_EQ(IsWindowEnabled(test::dialogControl(dialog, IDOK)) != FALSE, !refused);

    PostMessageW(test::dialogControl(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
}

INSTANTIATE_TEST_SUITE_P(Machines, JreNotFoundDialogMachine,
                         testing::Values(MachinePick{"X64", test::kPeMachineAmd64, LibraryWidth::X64},
                                         MachinePick{"Arm64", test::kPeMachineArm64, LibraryWidth::Arm64},
                                         MachinePick{"X86", test::kPeMachineI386, LibraryWidth::X86}),
                         [](const testing::TestParamInfo<MachinePick>& info) { return std::string(info.param.name); });

// The link follows the browser's colours in the user's registry and is grey
// while disabled.
TEST_F(JreNotFoundDialog, LinkTakesTheBrowserColourAndGreysOutWhenDisabled) {
    const wchar_t* settings = L"Software\\Microsoft\\Internet Explorer\\Settings";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto setValue = [key](const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    setValue(L"Anchor Color", L"0,128,0");
    setValue(L"Anchor Color Visited", L"255,0");
    writeIni("");
    test::StartedProcess launcher(exe.wstring(), L"");
    HWND dialog = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    RegDeleteValueW(key, L"Anchor Color");
    RegDeleteValueW(key, L"Anchor Color Visited");
    RegCloseKey(key);
    ASSERT_NE(dialog, nullptr);
    HWND link = test::dialogControl(dialog, dialog::kDownloadLink);
    EXPECT_TRUE(test::waitUntil([&] { return test::showsColour(link, RGB(0, 128, 0)); }));
    EXPECT_FALSE(test::showsColour(link, RGB(0, 0, 255)));

    EnableWindow(link, FALSE);
    EXPECT_TRUE(test::waitUntil([&] { return test::showsColour(link, GetSysColor(COLOR_GRAYTEXT)); }));
    EXPECT_FALSE(test::showsColour(link, RGB(0, 128, 0)));
    test::saveScreenshot("jre-not-found-disabled-link");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
}

// The released launcher takes a folder only from the user's own pick:
// another program that writes into the path field and sends the dialog
// messages of its own cannot make OK confirm a runtime.
TEST_F(JreNotFoundDialog, ReleaseLauncherTakesNoFolderFromOtherPrograms) {
    const fs::path release = folder.path() / "release.exe";
    fs::copy_file(test::builtProgramFolder() / "launcher.exe", release);
    writeIni("", "release.ini");
    test::StartedProcess launcher(release.wstring(), L"");
    HWND dialog = waitForDialog(launcher);
    ASSERT_NE(dialog, nullptr);
    const std::wstring runtime = test::standinHome("standard").wstring();
    test::sendWithin(test::dialogControl(dialog, dialog::kJrePathEdit), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(runtime.c_str()));
    for (UINT message = WM_APP; message <= WM_APP + 300; ++message) test::sendWithin(dialog, message);
    EXPECT_FALSE(IsWindowEnabled(test::dialogControl(dialog, IDOK)));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(launcher.waitForExit(500), STILL_ACTIVE) << "OK confirmed a folder nobody picked";
    PostMessageW(test::dialogControl(dialog, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
    EXPECT_EQ(rememberedIni(), "");
}

} // namespace
} // namespace launcher
