// The launch trace on standard error with the machine's real Java runtime:
// a normal start, a main class that the runtime's helper cannot find, and
// a main that throws.

#include "base/ModulePath.h"
#include "base/PathText.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

TEST(LaunchTraceJava, TraceOnStandardErrorFollowsTheLaunch) {
    fs::path build = test::buildFolder();
    test::TempFolder folder;
    fs::path exe = folder.path() / "app";
    fs::copy_file(build / "bin" / "launcher", exe);
    fs::copy_file(build / "java" / "probe.jar", folder.path() / "probe.jar");
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    test::EnvironmentOverride variable{u"QX_LAUNCHER_TRACE", u"stderr"};
    struct Case {
        const char* mainClass;
        std::vector<std::string> arguments;
        int exitCode;
        std::vector<std::string> lines; // in this order on standard error
    } cases[] = {
        {"probe.Main", {}, 0,
         {"runtime search: ", "runtime library: ", "VM option 1: -Djava.class.path=", "VM option 2: -Dtraced=yes",
          "main class lookup: probe/Main (through the runtime's launcher helper)", "main class found; calling main",
          "exit code 0: main returned"}},
        // The helper reports the class itself and ends the process.
        {"probe.Missing", {}, 1,
         {"main class lookup: probe/Missing", "Could not find or load main class probe.Missing",
          "exit code 1: the runtime ends the process"}},
        // The same code for another reason: the trace tells them apart.
        {"probe.Main", {"throw"}, 1,
         {"main class found; calling main", "exit code 1: main ended with an uncaught exception"}},
    };
    for (const Case& c : cases) {
        test::writeBytes(folder.path() / "app.ini", std::string("[Java Runtime Environment]\nMain Class=") + c.mainClass +
                                                        "\nVirtual Machine Parameters=-Dtraced=yes\n"
                                                        "[Class Path]\nClass Path=probe.jar\n");
        test::ChildResult r = test::runChild(exe.string(), c.arguments, 120, folder.path().string());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        size_t at = 0;
        for (const std::string& line : c.lines) {
            size_t found = r.err.find(line, at);
            ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << r.err;
            at = found + line.size();
        }
    }
}

} // namespace
} // namespace launcher
