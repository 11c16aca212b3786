// Whole launches of the Linux launcher that end in the runtime search: a
// 32-bit runtime hands over to the paired launcher, and no runtime at all
// says what to install.

#include "base/ModulePath.h"
#include "base/PathText.h"
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

TEST_F(RuntimeSearchLaunch, MissingPairedLauncherIsNoCrash) {
    fs::remove(pair);
    writeIni("Pair Return Code=Yes\n");
    EXPECT_EQ(test::runChild(exe.string(), {}).exitCode, 0);
}

TEST_F(RuntimeSearchLaunch, NoRuntimeSaysWhichToInstall) {
    test::writeBytes(folder.path() / "viewer.ini",
                     "[Java Runtime Environment]\nMain Class=demo.Main\nMinimum Version=30\nJVM Type=server\n");
    test::ChildResult result = test::runChild(exe.string(), {});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, "viewer: The Java Runtime Environment (JRE) was not found. Please  download and install a JRE "
                          "with a server JVM (minimum version 30.0) from:\n");
}

} // namespace
} // namespace launcher
