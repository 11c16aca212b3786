// Whole launches of the Linux launcher with the machine's real Java runtime
// and the probe program of tests/java.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class JavaLaunch : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / "app";
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        fs::copy_file(test::buildFolder() / "bin" / "launcher", exe);
        fs::create_directories(folder.path() / "lib");
        fs::copy_file(test::buildFolder() / "java" / "probe.jar", folder.path() / "lib" / "probe.jar");
    }
    void writeIni(const std::string& extra = "", const std::string& application = "") {
        test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\nMain Class=probe.Main\n" + extra +
                                                        "\n[Class Path]\nClass Path=lib/*.jar\n[Application]\n" +
                                                        application + "\n");
    }
    test::ChildResult start(const std::vector<std::string>& arguments) {
        return test::runChild(exe.string(), arguments, 120, folder.path().string());
    }
    // The value of a "key=value" line of the probe's report.
    static std::string line(const std::string& out, const std::string& key) {
        std::string text = "\n" + out;
        size_t at = text.find("\n" + key + "=");
        if (at == std::string::npos) return "<missing>";
        size_t start = at + key.size() + 2;
        return text.substr(start, text.find('\n', start) - start);
    }
};

TEST_F(JavaLaunch, ArgumentsReachMainInOrder) {
    writeIni("", "Cmd=\"from cmd\" last");
    test::ChildResult r = start({"plain", "", "a b", "\xc3\xa9\xe4\xb8\xad", "\xf0\x9f\x98\x80"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(line(r.out, "arg0"), "[70 6c 61 69 6e]");
    EXPECT_EQ(line(r.out, "arg1"), "[]");
    EXPECT_EQ(line(r.out, "arg2"), "[61 20 62]");
    EXPECT_EQ(line(r.out, "arg3"), "[e9 4e2d]");
    EXPECT_EQ(line(r.out, "arg4"), "[1f600]");
    EXPECT_EQ(line(r.out, "arg5"), "[66 72 6f 6d 20 63 6d 64]");
    EXPECT_EQ(line(r.out, "arg6"), "[6c 61 73 74]");
    EXPECT_EQ(line(r.out, "count"), "7");
    EXPECT_EQ(line(r.out, "main"), "returned");
}

TEST_F(JavaLaunch, SystemExitCodeIsTheLaunchersExitCode) {
    writeIni();
    EXPECT_EQ(start({"exit", "7"}).exitCode, 7);
    EXPECT_EQ(start({"exit", "0"}).exitCode, 0);
}

struct UncaughtCase {
    const char* name;
    const char* application;
    std::vector<std::string> arguments;
    int exitCode;
    bool workerRan;
};

void PrintTo(const UncaughtCase& c, std::ostream* out) { *out << c.name; }

class JavaUncaught : public JavaLaunch, public ::testing::WithParamInterface<UncaughtCase> {};

// As with the runtime's own launcher: main ending with an exception fails
// the launch even when another thread of the program runs on, unless that
// thread ends the program with a code of its own. The Linux launcher asks
// nobody, "Failure Check" or not: the trace is printed and the run goes on.
TEST_P(JavaUncaught, IsPrintedAndTheLaunchEndsWithOne) {
    const UncaughtCase& c = GetParam();
    writeIni("", c.application);
    test::ChildResult r = start(c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find("java.lang.IllegalStateException: thrown by the probe"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("worker=done") != std::string::npos, c.workerRan) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JavaUncaught,
    ::testing::Values(UncaughtCase{"FailureCheck", "Failure Check=Yes", {"throw"}, 1, false},
                      UncaughtCase{"NoFailureCheck", "", {"throw"}, 1, false},
                      UncaughtCase{"ThreadOutlivesMain", "", {"throw-beside-thread"}, 1, true},
                      UncaughtCase{"ThreadCallsSystemExit", "", {"throw-beside-thread", "7"}, 7, true},
                      UncaughtCase{"ThreadCallsSystemExitWithZero", "", {"throw-beside-thread", "0"}, 0, true},
                      UncaughtCase{"Service", "Application Type=service", {"throw-beside-thread"}, 1, true}),
    [](const ::testing::TestParamInfo<UncaughtCase>& info) { return std::string(info.param.name); });

TEST_F(JavaLaunch, NonDaemonThreadKeepsTheLauncherAlive) {
    writeIni();
    test::ChildResult r = start({"thread"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("worker=done"), std::string::npos);
}

TEST_F(JavaLaunch, ParametersEnvironmentAndLibraryPath) {
    writeIni("Virtual Machine Parameters=\"-Dprobe.value=with space\" -Xmx64m\nLibrary Path=native;");
    test::ChildResult r = start({"env"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(line(r.out, "probe.value"), "with space");
    EXPECT_TRUE(line(r.out, "QX_JVM_PATH").find("/lib/server/libjvm.so") != std::string::npos);
    EXPECT_EQ(line(r.out, "QX_JVM_PATH").rfind(line(r.out, "QX_JVM_HOME"), 0), 0u);
    EXPECT_NE(line(r.out, "java.library.path").find("native"), std::string::npos);
    EXPECT_NE(line(r.out, "java.class.path").find("probe.jar"), std::string::npos);
    EXPECT_LE(std::stoll(line(r.out, "maxMemory")), 64ll * 1024 * 1024);
}

TEST_F(JavaLaunch, StackSizeOfTheVmThreadComesFromXss) {
    writeIni("Virtual Machine Parameters=-Xss512m");
    test::ChildResult r = start({"recurse", "1000000"});
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 400);
    EXPECT_EQ(line(r.out, "depth"), "1000000");
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(JavaLaunch, RedirectedStreamsGoToFilesInNewFolders) {
    writeIni("", "Output File=logs/out.log\nError File=logs/deep/err.log\nError Append=yes");
    test::ChildResult r = start({"print"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    start({"print"});
    // Output is truncated at each start, errors are appended.
    EXPECT_EQ(occurrences(test::readBytes(folder.path() / "logs/out.log"), "to standard output\n"), 1u);
    EXPECT_EQ(test::readBytes(folder.path() / "logs/deep/err.log"), "to standard error\nto standard error\n");
    EXPECT_EQ(r.out.find("to standard"), std::string::npos);
}

TEST_F(JavaLaunch, OutputFileNameCarriesTheStartTime) {
    writeIni("", "Output File=logs/out_%yyyy-MM-dd_HH-mm-ss%.log");
    ASSERT_EQ(start({"print"}).exitCode, 0);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path() / "logs")) names.push_back(entry.path().filename());
    ASSERT_EQ(names.size(), 1u);
    // out_YYYY-MM-DD_hh-mm-ss.log
    EXPECT_EQ(names[0].size(), std::string("out_2026-12-08_14-05-09.log").size()) << names[0];
    EXPECT_EQ(names[0].find_first_not_of("0123456789", 4), 8u) << names[0];
    EXPECT_EQ(occurrences(test::readBytes(folder.path() / "logs" / names[0]), "to standard output\n"), 1u);
}

TEST_F(JavaLaunch, HeapAsAShareOfPhysicalMemory) {
    writeIni("Virtual Machine Parameters=-Xmx1:16:32P");
    test::ChildResult r = start({"env"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // One percent of the machine's memory, held between 16 and 32 MiB.
    long long heap = std::stoll(line(r.out, "maxMemory"));
    EXPECT_LE(heap, 32ll * 1024 * 1024);
    EXPECT_GE(heap, 8ll * 1024 * 1024);
}

TEST_F(JavaLaunch, SearchPathStartsWithTheRuntimesFolders) {
    writeIni();
    test::ChildResult r = start({"env"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(line(r.out, "PATH").find(line(r.out, "QX_JVM_HOME") + "/bin"), std::string::npos) << line(r.out, "PATH");
}

TEST_F(JavaLaunch, AbsoluteClassPathEntryAndEmbeddedJar) {
    // An absolute entry is taken as written.
    test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\nMain Class=probe.Main\n[Class Path]\n"
                                                "Class Path=" + (folder.path() / "lib/probe.jar").string() + "\n");
    EXPECT_EQ(start({"print"}).exitCode, 0);

    // The classes travel inside the executable itself.
    std::string launcherBytes = test::readBytes(exe);
    test::writeBytes(exe, launcherBytes + test::readBytes(folder.path() / "lib/probe.jar"));
    fs::permissions(exe, fs::perms::owner_all);
    fs::remove_all(folder.path() / "lib");
    test::writeBytes(folder.path() / "app.ini", "[Java Runtime Environment]\nMain Class=probe.Main\n[Class Path]\n"
                                                "Class Path=missing.jar\n[Application]\nEmbedded Jar=yes\n");
    test::ChildResult r = start({"env"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(line(r.out, "java.class.path").rfind(exe.string(), 0), 0u) << line(r.out, "java.class.path");
}

TEST_F(JavaLaunch, MissingMainClassIsReported) {
    test::writeBytes(folder.path() / "app.ini",
                     "[Java Runtime Environment]\nMain Class=probe.Missing\n[Class Path]\nClass Path=lib/*.jar\n");
    test::ChildResult r = start({});
    // The runtime's helper says why on standard error and ends the VM with
    // its own code; the launcher adds no second message of its own.
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Error: Could not find or load main class probe.Missing"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Could not find the main class"), std::string::npos) << r.err;
}

} // namespace
} // namespace launcher
