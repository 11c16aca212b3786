// The vendor's pinned runtime, installed where the launcher puts it, is
// found there by a whole launch on both targets, through the stand-in
// runtime: no "JRE Path", no runtime beside the launcher, and the trace
// names the source.

#include "base/Platform.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class PinnedRuntimeLaunch : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / (kWindows ? "viewer.exe" : "viewer");
    fs::path data = folder.path() / "data";
    fs::path standinTrace = folder.path() / "standin.txt";
    fs::path launchTrace = folder.path() / "launch.txt";
    test::EnvironmentOverride dataHome{kWindows ? u"LOCALAPPDATA" : u"XDG_DATA_HOME", data.u16string()};
    test::EnvironmentOverride standinVariable{u"STANDIN_TRACE", standinTrace.u16string()};
    test::EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", launchTrace.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    // The folder of the checksum below, named as the launcher names it: the
    // product name's ":" cannot be in a folder name and is left out.
    fs::path pinned = data / "Viewer Pro" / "CODE" / "runtime" / "00ff00ff00ff00ff";

    void SetUp() override {
        fs::copy_file(test::builtLauncher(), exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
        test::writeBytes(folder.path() / "viewer.ini",
                         "[Product Information]\nProduct Name=Viewer: Pro\nProduct Code=CODE\n"
                         "[Java Runtime Environment]\nMain Class=standin.Echo\n"
                         "Runtime Download URL=https://example.com/jre.zip\n"
                         "Runtime Download SHA-256=00FF00FF00FF00FF" + std::string(48, '1') + "\n"
                         "[Class Path]\nClass Path=app.jar\n");
    }
    std::string text(const fs::path& file) const { return fs::exists(file) ? test::readBytes(file) : ""; }
};

TEST_F(PinnedRuntimeLaunch, RuntimeInTheChecksumsFolderRuns) {
    fs::create_directories(pinned);
    fs::copy(test::standinHome("standard"), pinned, fs::copy_options::recursive);
    test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.messages.empty());
    EXPECT_NE(text(standinTrace).find("main [x]"), std::string::npos) << "the pinned runtime did not run";
    const std::string folderText = toUtf8(pinned.u16string()) + (kWindows ? "\\" : "/");
    EXPECT_NE(text(launchTrace).find("pinned runtime " + folderText + ": chosen"), std::string::npos)
        << text(launchTrace);
}

// Another checksum's folder is an older pin: it is not this configuration's
// runtime, and the search goes on to the runtime beside the launcher.
TEST_F(PinnedRuntimeLaunch, AnotherChecksumsFolderIsNotUsed) {
    fs::path older = pinned.parent_path() / "1111111111111111";
    fs::create_directories(older);
    fs::copy(test::standinHome("standard"), older, fs::copy_options::recursive);
    fs::path beside = folder.path() / "jre64";
    fs::create_directories(beside);
    fs::copy(test::standinHome("standard"), beside, fs::copy_options::recursive);
    EXPECT_EQ(test::launch(exe, {"x"}).exitCode, 0);
    const std::string trace = text(launchTrace);
    EXPECT_NE(trace.find(": not installed"), std::string::npos) << trace;
    EXPECT_NE(trace.find("runtime library: " + toUtf8(beside.u16string())), std::string::npos) << trace;
    EXPECT_EQ(trace.find(toUtf8(older.u16string())), std::string::npos) << trace;
}

} // namespace
} // namespace launcher
