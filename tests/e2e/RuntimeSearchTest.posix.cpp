// Whole launches of the Linux launcher that end in the runtime search: a
// 32-bit runtime hands over to the paired launcher, a runtime in the user's
// own runtime folders is found, and no runtime at all says what to install.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "probe/StandinProbe.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class RuntimeSearchLaunch : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "viewer";
    fs::path pair = folder.path() / "viewer32";
    fs::path seen = folder.path() / "seen.txt";
    // The machine's own JAVA_HOME would be a runtime these launches find.
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        std::u16string self;
        ASSERT_EQ(readModulePath(self), 0u);
        fs::copy_file(test::toPath(folderOf(self)) / "launcher", exe);
        // The paired launcher records what it was given and ends with 42.
        test::writeBytes(pair, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do printf '[%s]' \"$a\"; done > '" + seen.string() +
                                   "'\nexit 42\n");
        fs::permissions(pair, fs::perms::owner_all);
        // A runtime whose library is a 32-bit x86 image.
        std::string elf(64, '\0');
        elf.replace(0, 6, "\x7f" "ELF\x01\x01");
        elf[18] = 3;
        test::writeBytes(folder.path() / "jre32/lib/server/libjvm.so", elf);
    }
    void writeIni(const std::string& application) {
        test::writeBytes(folder.path() / "viewer.ini", "[Java Runtime Environment]\nMain Class=demo.Main\nJRE Path=jre32\n"
                                                       "[Application]\nPair Product=" + pair.string() + "\n" + application);
    }
};

TEST_F(RuntimeSearchLaunch, PairedLauncherGetsTheSameCommandLineAndItsCodeIsReturned) {
    writeIni("Pair Return Code=Yes\n");
    test::ChildResult result = test::runChild(exe.string(), {"a b", "", "-nosplash"});
    EXPECT_EQ(result.exitCode, 42);
    EXPECT_EQ(test::readBytes(seen), "[" + pair.string() + "][a b][][-nosplash]");
}

TEST_F(RuntimeSearchLaunch, WithoutReturnCodeTheLauncherEndsAtOnce) {
    writeIni("");
    test::ChildResult result = test::runChild(exe.string(), {"x"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
}

// A pair that dies by a signal is no success: the code is the one a shell
// reports for it, and the trace says why.
TEST_F(RuntimeSearchLaunch, PairedLauncherKilledBySignalIsNoSuccess) {
    writeIni("Pair Return Code=Yes\n");
    test::writeBytes(pair, "#!/bin/sh\nkill -KILL $$\n");
    const fs::path trace = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"QX_LAUNCHER_TRACE", trace.u16string()};
    test::ChildResult result = test::runChild(exe.string(), {});
    EXPECT_EQ(result.exitCode, 128 + 9);
    EXPECT_NE(test::readBytes(trace).find("exit code 137: the paired launcher was ended by signal 9"), std::string::npos)
        << test::readBytes(trace);
}

// A pair that cannot start is said, never a silent 0.
TEST_F(RuntimeSearchLaunch, MissingPairedLauncherIsReported) {
    fs::remove(pair);
    writeIni("Pair Return Code=Yes\n");
    test::ChildResult result = test::runChild(exe.string(), {});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "viewer: The paired program " + pair.string() + " cannot be started: No such file or directory.\n");
}

// "Pair Product" by its bare name, and a program of that name in the
// current directory: it never starts; the pair beside the launcher does.
TEST_F(RuntimeSearchLaunch, RelativePairIsTakenFromTheLaunchersFolderNeverTheCurrentOne) {
    const fs::path downloads = folder.path() / "Downloads";
    fs::create_directories(downloads);
    fs::rename(pair, downloads / "viewer32");
    test::writeBytes(folder.path() / "viewer.ini", "[Java Runtime Environment]\nMain Class=demo.Main\nJRE Path=jre32\n"
                                                   "[Application]\nPair Product=viewer32\nPair Return Code=Yes\n");
    test::ChildResult planted = test::runChild(exe.string(), {"x"}, 60, downloads.string());
    EXPECT_EQ(planted.exitCode, 255);
    EXPECT_NE(planted.err.find("The paired program " + pair.string() + " cannot be started"), std::string::npos)
        << planted.err;
    EXPECT_FALSE(fs::exists(seen)) << "the program in the current directory ran";

    fs::rename(downloads / "viewer32", pair);
    EXPECT_EQ(test::runChild(exe.string(), {"x"}, 60, downloads.string()).exitCode, 42);
    EXPECT_EQ(test::readBytes(seen), "[" + pair.string() + "][x]");
}

TEST_F(RuntimeSearchLaunch, NoRuntimeSaysWhichToInstall) {
    test::writeBytes(folder.path() / "viewer.ini",
                     "[Java Runtime Environment]\nMain Class=demo.Main\nMinimum Version=30\nJVM Type=server\n");
    test::ChildResult result = test::runChild(exe.string(), {});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "viewer: The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
                          "with a server JVM (minimum version 30.0) from:\n");
}

// A runtime that SDKMAN installed under the user's home: the stand-in,
// with a release file of a version no system runtime has.
TEST(UserRuntimeFolders, SdkmanRuntimeIsChosenWhenItIsTheBestFit) {
    test::TempFolder folder;
    fs::path runtime = folder.path() / "home/.sdkman/candidates/java/99.0.1-tem";
    fs::create_directories(runtime);
    fs::copy(test::standinHome("standard"), runtime, fs::copy_options::recursive);
    test::writeBytes(runtime / "release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"99.0.1\"\n");
    fs::create_directory_symlink(runtime, runtime.parent_path() / "current");
    fs::path exe = folder.path() / "viewer";
    fs::copy_file(test::builtLauncher(), exe);
    fs::path trace = folder.path() / "trace.txt";
    test::EnvironmentOverride home(u"HOME", (folder.path() / "home").u16string());
    test::EnvironmentOverride traceVariable(u"STANDIN_TRACE", trace.u16string());
    test::EnvironmentOverride noJavaHome(u"JAVA_HOME", std::nullopt);

    for (const char* maximum : {"any", "98"}) {
        fs::remove(trace);
        test::writeBytes(folder.path() / "viewer.ini", std::string("[Java Runtime Environment]\nMain Class=standin.Echo\n"
                                                                   "Maximum Version=") + maximum + "\n");
        test::LaunchResult result = test::launch(exe, {"x"});
        if (std::string(maximum) == "any") {
            EXPECT_EQ(result.exitCode, 0);
            EXPECT_NE(test::readBytes(trace).find("main [x]"), std::string::npos) << "the SDKMAN runtime did not run";
        } else {
            // Out of bounds: a system runtime runs instead.
            EXPECT_FALSE(fs::exists(trace)) << "a runtime above the maximum ran";
        }
    }
}

// A development kit 8 where SDKMAN_DIR says SDKMAN lives: its runtime is in
// jre/lib/amd64, and a maximum of 1.8 leaves the machine's own runtimes out.
TEST(UserRuntimeFolders, Jdk8InTheSdkmanFolderOfSdkmanDir) {
    test::TempFolder folder;
    fs::path runtime = folder.path() / "sdkman/candidates/java/8.0.392-tem";
    fs::path runtimeLibs = runtime / "jre/lib/amd64";
    fs::create_directories(runtimeLibs / "server");
    fs::copy_file(test::standinHome("standard") / "lib/server/libjvm.so", runtimeLibs / "server/libjvm.so");
    test::writeBytes(runtimeLibs / "libjava.so", "");
    test::writeBytes(runtime / "bin/javac", "");
    test::writeBytes(runtime / "release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"1.8.0_392\"\n");
    fs::path exe = folder.path() / "viewer";
    fs::copy_file(test::builtLauncher(), exe);
    fs::path trace = folder.path() / "trace.txt";
    test::EnvironmentOverride home(u"HOME", (folder.path() / "home").u16string());
    test::EnvironmentOverride sdkman(u"SDKMAN_DIR", (folder.path() / "sdkman").u16string());
    test::EnvironmentOverride traceVariable(u"STANDIN_TRACE", trace.u16string());
    test::EnvironmentOverride noJavaHome(u"JAVA_HOME", std::nullopt);
    test::writeBytes(folder.path() / "viewer.ini", "[Java Runtime Environment]\nMain Class=standin.Echo\n"
                                                   "Maximum Version=1.8\nPreferred versions=1.8\n");
    test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(test::readBytes(trace).find("main [x]"), std::string::npos) << "the Java 8 runtime did not run";
}

} // namespace
} // namespace launcher
