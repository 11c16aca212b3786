// The two launchers as a vendor ships them: the x64 launcher and its 32-bit
// sibling side by side, each with its own INI. Offered only a 32-bit runtime
// (through "JRE Path" or the registry's 32-bit view), the x64 launcher hands
// the launch to the 32-bit one, which loads the 32-bit stand-in runtime and
// whose exit code comes back. The 32-bit launcher turns a 64-bit runtime
// away with a message.
//
// The 32-bit build is found through LAUNCHER_X86_BIN (its bin folder);
// without it these tests are skipped.

#include "base/Text.h"
#include "jre/Bitness.h"
#include "probe/StandinProbe.h"
#include "support/ScratchKeys.win32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// The variable may hold a Unix path (as the test script sets it): Wine
// shows the Unix root as drive Z.
std::optional<fs::path> x86Bin() {
    const char* value = std::getenv("LAUNCHER_X86_BIN");
    if (!value || !*value) return std::nullopt;
    std::string path = value;
    if (path.front() == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return fs::path(path);
}

class PairedLaunchers : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path app = folder.path() / "My App";
    fs::path exe64 = app / "viewer.exe";
    fs::path exe32 = app / "viewer32.exe";
    fs::path x86Home, x64Home = test::standinHome("standard");
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        if (kProcessWidth != LibraryWidth::X64) GTEST_SKIP() << "the x64 suite starts both launchers";
        std::optional<fs::path> bin = x86Bin();
        if (!bin) GTEST_SKIP() << "LAUNCHER_X86_BIN names no 32-bit build";
        ASSERT_TRUE(fs::exists(*bin / "launcher.exe")) << bin->string();
        x86Home = bin->parent_path() / "standin" / "standard";
        ASSERT_EQ(libraryWidth((x86Home / "bin" / "server" / "jvm.dll").u16string()), LibraryWidth::X86);
        fs::create_directories(app);
        fs::copy_file(x64Home.parent_path().parent_path() / "bin" / "launcher.exe", exe64);
        fs::copy_file(*bin / "launcher.exe", exe32);
        test::writeBytes(app / "app.jar", "PK");
    }

    // One launcher's INI: the stand-in class, an optional "JRE Path", and
    // the lines of the "Application" section.
    static std::string ini(const fs::path& jrePath, const std::string& application) {
        std::string text = "[Java Runtime Environment]\r\nMain Class=standin.Exit\r\nMinimum Version=90\r\n";
        if (!jrePath.empty()) text += "JRE Path=" + jrePath.string() + "\r\n";
        return text + "[Class Path]\r\nClass Path=app.jar\r\n[Application]\r\n" + application;
    }
    void writePair(const fs::path& jrePath64, const fs::path& jrePath32) {
        test::writeBytes(app / "viewer.ini",
                         ini(jrePath64, "Pair Product=" + exe32.string() + "\r\nPair Return Code=Yes\r\n"));
        test::writeBytes(app / "viewer32.ini", ini(jrePath32, "Pair Product=" + exe64.string() + "\r\n"));
    }
    std::string trace() const { return fs::exists(tracePath) ? test::readBytes(tracePath) : std::string(); }
};

TEST_F(PairedLaunchers, JrePathOf32BitRuntimeRunsInThe32BitLauncher) {
    writePair(x86Home, x86Home);
    test::LaunchResult result = test::launch(exe64, {"7", "a b", "Gr\xC3\xBC\xC3\x9F" "e"});
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    // System.exit(7) in the 32-bit process is the x64 launcher's exit code.
    EXPECT_EQ(result.exitCode, 7) << trace();
    // The same command line reached main, through the 32-bit runtime.
    EXPECT_NE(trace().find("main [7][a b][Gr\xC3\xBC\xC3\x9F" "e]\n"), std::string::npos) << trace();
    EXPECT_NE(trace().find("exit 7"), std::string::npos) << trace();
}

TEST_F(PairedLaunchers, RuntimeRegisteredIn32BitViewRunsInThe32BitLauncher) {
    // Neither INI names a runtime: both launchers find the one registered
    // for 32-bit programs, above every version the test prefix holds.
    test::ScratchKeys keys;
    UniqueKey key = keys.create(KEY_WOW64_32KEY, L"Software\\JavaSoft\\JRE\\99.0.1");
    ASSERT_TRUE(key);
    const std::wstring home = x86Home.wstring();
    ASSERT_EQ(RegSetValueExW(key.get(), L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                             static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    writePair({}, {});
    test::LaunchResult result = test::launch(exe64, {"3"});
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    EXPECT_EQ(result.exitCode, 3) << trace();
    EXPECT_NE(trace().find("main [3]\n"), std::string::npos) << trace();
}

TEST_F(PairedLaunchers, The32BitLauncherTurnsA64BitRuntimeAway) {
    // Started on its own, with its INI naming the x64 stand-in: a clear
    // message instead of a loader error, and no relaunch back to the pair.
    writePair(x86Home, x64Home);
    test::LaunchResult result = test::launch(exe32, {"5"});
    EXPECT_EQ(result.exitCode, -1);
    ASSERT_EQ(result.messages.size(), 1u) << trace();
    const std::string library = toUtf8((x64Home / "bin" / "server" / "jvm.dll").u16string());
    const std::string expected = "The Java runtime library " + library +
                                 " is a 64-bit library, which this 32-bit program cannot load.";
    EXPECT_EQ(result.messages[0].substr(0, expected.size()), expected);
    EXPECT_EQ(trace(), "");
}

} // namespace
} // namespace launcher
