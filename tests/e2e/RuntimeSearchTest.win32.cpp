// launcher.exe, copied beside an INI as a vendor ships it, with a 32-bit
// runtime it cannot load itself: the launch is handed to the paired
// executable (a probe that records how it was started). Without any runtime
// the user is told which one to install.

#include "base/Handles.win32.h"
#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.win32.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace launcher {
namespace {

namespace fs = std::filesystem;

fs::path builtProgram(const char* name) {
    std::u16string self;
    EXPECT_EQ(readModulePath(self), 0u);
    return test::toPath(folderOf(self)) / name;
}

// An application folder (with a space in its name) holding the launcher as
// viewer.exe and its viewer.ini.
struct ShippedApplication {
    test::TempFolder folder;
    fs::path exe = folder.path() / "My App" / "viewer.exe";

    explicit ShippedApplication(const std::string& ini) {
        fs::create_directories(exe.parent_path());
        fs::copy_file(builtProgram("launcher.exe"), exe);
        test::writeBytes(exe.parent_path() / "viewer.ini", ini);
    }
};

std::string narrow(const fs::path& path) { return path.string(); }

// The launcher's error box: its text, once OK is pressed.
std::wstring closeMessage(test::StartedProcess& launcher) {
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    if (!box) return L"(no message)";
    std::wstring text;
    for (const test::ChildWindow& child : test::childWindows(box)) {
        if (child.className == L"Static" && !child.text.empty()) text = child.text;
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}
std::u16string ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

const std::wstring kArguments = L"one \"two three\" \"\" \"say \\\"hi\\\"\" -nosplash Gr\u00fc\u00dfe";

struct RelaunchCase {
    const char* label;
    bool pairExists;
    bool waitForPair;
    int pairCode;
    DWORD launcherCode;
};

void PrintTo(const RelaunchCase& c, std::ostream* out) { *out << c.label; }

class Relaunch : public testing::TestWithParam<RelaunchCase> {};

TEST_P(Relaunch, HandsTheCommandLineToThePair) {
    const RelaunchCase& c = GetParam();
    test::TempFolder outside;
    fs::path runtime = outside.path() / "jre32";
    test::writeBytes(runtime / "bin" / "java.dll", "marker");
    test::writeBytes(runtime / "bin" / "server" / "jvm.dll", test::libraryHeaders(test::kPeMachineI386));
    fs::path pair = outside.path() / "Pair Folder" / "viewer32.exe";
    if (c.pairExists) {
        fs::create_directories(pair.parent_path());
        fs::copy_file(builtProgram("pair_probe.exe"), pair);
    }
    ShippedApplication app("[Java Runtime Environment]\r\nMain Class=app.Main\r\nJRE Path=" + narrow(runtime) +
                           "\r\n[Application]\r\nPair Product=" + narrow(pair) +
                           "\r\nPair Return Code=" + (c.waitForPair ? "Yes" : "No") + "\r\n");

    // Without waiting, the launcher must be gone while the pair is still
    // held; with waiting, holding it would only stall the launch.
    const std::string holdName = "pair-probe-hold-" + std::to_string(GetCurrentProcessId());
    UniqueHandle hold(CreateEventA(nullptr, TRUE, FALSE, holdName.c_str()));
    ASSERT_TRUE(hold);
    fs::path output = outside.path() / "command-line.txt";
    test::EnvironmentOverride outputVariable(u"PAIR_PROBE_OUTPUT", output.u16string());
    test::EnvironmentOverride codeVariable(u"PAIR_PROBE_EXIT_CODE", ascii(std::to_string(c.pairCode)));
    test::EnvironmentOverride holdVariable(u"PAIR_PROBE_HOLD", c.waitForPair ? u"" : ascii(holdName));

    test::StartedProcess launcher(app.exe.wstring(), kArguments);
    ASSERT_TRUE(launcher.started());
    if (!c.pairExists) {
        // Said, never a silent 0: the pair's path and the system's reason.
        const std::wstring expected = L"The paired program " + pair.wstring() + L" cannot be started: ";
        EXPECT_EQ(closeMessage(launcher).substr(0, expected.size()), expected);
    }
    EXPECT_EQ(launcher.waitForExit(30000), c.launcherCode);
    if (c.pairExists && c.waitForPair) {
        EXPECT_TRUE(fs::exists(output)) << "the launcher ended before its pair";
    }
    if (!c.waitForPair) {
        EXPECT_FALSE(fs::exists(output)) << "the pair ran before it was released";
    }
    SetEvent(hold.get());

    if (c.pairExists) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 30000 && !fs::exists(output);) Sleep(50);
        std::string seen = test::readBytes(output);
        // The launcher's own program name included, arguments untouched.
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(seen.data()), seen.size() / sizeof(wchar_t)),
                  L"\"" + app.exe.wstring() + L"\" " + kArguments);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PairProduct, Relaunch,
    testing::Values(RelaunchCase{"WaitsAndReturnsThePairsCode", true, true, 42, 42},
                    RelaunchCase{"ReturnsANegativeCodeUnchanged", true, true, -7, static_cast<DWORD>(-7)},
                    RelaunchCase{"ReturnsZeroAtOnceWithoutWaiting", true, false, 42, 0},
                    RelaunchCase{"MissingPairWhileWaiting", false, true, 42, static_cast<DWORD>(-1)},
                    RelaunchCase{"MissingPairWithoutWaiting", false, false, 42, static_cast<DWORD>(-1)}),
    [](const testing::TestParamInfo<RelaunchCase>& info) { return info.param.label; });

// The current directory of this process, and so of the launches it starts.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& path) : old_(fs::current_path()) { fs::current_path(path); }
    ~CurrentDirectory() { fs::current_path(old_); }

private:
    fs::path old_;
};

// "Pair Product" gives the pair's bare name. A program of that name in the
// current directory (a download folder) never starts; the pair beside the
// launcher does.
TEST(Relaunch, RelativePairIsTakenFromTheLaunchersFolderNeverTheCurrentOne) {
    test::TempFolder outside;
    fs::path runtime = outside.path() / "jre32";
    test::writeBytes(runtime / "bin" / "java.dll", "marker");
    test::writeBytes(runtime / "bin" / "server" / "jvm.dll", test::libraryHeaders(test::kPeMachineI386));
    const fs::path downloads = outside.path() / "Downloads";
    fs::create_directories(downloads);
    fs::copy_file(builtProgram("pair_probe.exe"), downloads / "viewer32.exe");
    ShippedApplication app("[Java Runtime Environment]\r\nMain Class=app.Main\r\nJRE Path=" + narrow(runtime) +
                           "\r\n[Application]\r\nPair Product=viewer32.exe\r\nPair Return Code=Yes\r\n");
    fs::path output = outside.path() / "command-line.txt";
    test::EnvironmentOverride outputVariable(u"PAIR_PROBE_OUTPUT", output.u16string());
    test::EnvironmentOverride codeVariable(u"PAIR_PROBE_EXIT_CODE", u"42");
    test::EnvironmentOverride holdVariable(u"PAIR_PROBE_HOLD", u"");
    CurrentDirectory inDownloads(downloads);

    test::StartedProcess planted(app.exe.wstring(), L"doc.txt");
    ASSERT_TRUE(planted.started());
    const fs::path beside = app.exe.parent_path() / "viewer32.exe";
    const std::wstring expected = L"The paired program " + beside.wstring() + L" cannot be started: ";
    EXPECT_EQ(closeMessage(planted).substr(0, expected.size()), expected);
    EXPECT_EQ(planted.waitForExit(30000), static_cast<DWORD>(-1));
    EXPECT_FALSE(fs::exists(output)) << "the program in the current directory ran";

    fs::copy_file(builtProgram("pair_probe.exe"), beside);
    test::StartedProcess paired(app.exe.wstring(), L"doc.txt");
    ASSERT_TRUE(paired.started());
    EXPECT_EQ(paired.waitForExit(30000), 42u);
    EXPECT_TRUE(fs::exists(output));
}

TEST(RuntimeNotFound, NamesTheRequiredVersionAndExitsWithMinusOne) {
    // No runtime in the registry of the test prefix reaches 30, none beside
    // the launcher, and JAVA_HOME names none.
    ShippedApplication app("[Java Runtime Environment]\r\nMain Class=app.Main\r\nMinimum Version=30\r\n");
    test::EnvironmentOverride noJavaHome(u"JAVA_HOME", u"");

    test::StartedProcess launcher(app.exe.wstring(), L"");
    ASSERT_TRUE(launcher.started());
    HWND box = test::waitForProcessWindow(launcher.id(), L"#32770", 30000);
    ASSERT_NE(box, nullptr) << "no runtime-not-found dialog appeared";
    // The dialog's message; cancelling it ends the launch.
    EXPECT_EQ(test::windowText(GetDlgItem(box, 203)), L"The Java Runtime Environment (JRE) was not found. Please  "
                                                      L"download and install a JRE (minimum version 30.0) from:");
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(launcher.waitForExit(30000), static_cast<DWORD>(-1));
}

} // namespace
} // namespace launcher
