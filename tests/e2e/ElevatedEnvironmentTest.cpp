// What a start takes from its environment, through the stand-in runtime on
// both targets: a background assembly request is an assembly and nothing
// else, and an elevated start (Windows: "Run as administrator") takes
// neither an assembly request nor the runtime's own option variables from
// the environment that the user's unelevated programs can write.

#include "base/Platform.h"
#include "base/Text.h"
#include "launcher/CacheAssembly.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace launcher {
namespace {

namespace fs = std::filesystem;

class ElevatedEnvironment : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / (kWindows ? "viewer.exe" : "viewer");
    fs::path standinTrace = folder.path() / "standin.txt";
    fs::path cache = folder.path() / "cache";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", standinTrace.u16string()};
    test::EnvironmentOverride cacheHome{kWindows ? u"LOCALAPPDATA" : u"XDG_CACHE_HOME", cache.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(),
                      exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
        test::writeText(folder.path() / "viewer.ini",
                        u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" +
                            test::standinHome("standard").u16string() + u"\n[Class Path]\nClass Path=app.jar\n");
    }
    std::string standinText() const { return fs::exists(standinTrace) ? test::readBytes(standinTrace) : ""; }
    // A request as a start writes it, for a stem under folder.
    std::u16string request(const fs::path& stemFolder) const {
        AssemblyRequest r;
        r.jvmPath = test::standinLibrary("standard").u16string();
        r.classPath = (folder.path() / "app.jar").u16string();
        r.files = aotFilesOf((stemFolder / "viewer-0123abcd").u16string());
        return encodeAssemblyRequest(r);
    }
};

// Undecodable (an updater replaced the executable between a start and its
// end) or naming files outside the cache: the process ends with its code and
// never runs the application, hidden and detached as an assembly is.
TEST_F(ElevatedEnvironment, AnAssemblyRequestNeverBecomesAStart) {
    const fs::path elsewhere = folder.path() / "elsewhere";
    test::writeBytes(elsewhere / "viewer-0123abcd.aotlock", "another program's file");
    const struct {
        const char* name;
        std::u16string value;
        int exitCode;
    } cases[] = {
        {"undecodable", u"aot0;garbage", kAssemblyUndecodable},
        {"empty", u"", kAssemblyUndecodable},
        {"a foreign option", request(cache) + u"22:-XX:Flags=/tmp/.hotspot", kAssemblyUndecodable},
        {"files outside the cache", request(elsewhere), kAssemblyOutsideCache},
    };
    for (const auto& c : cases) {
        test::EnvironmentOverride variable(std::u16string(kAssemblyVariable), c.value);
        EXPECT_EQ(test::launch(exe, {"x"}).exitCode, test::reportedExitCode(c.exitCode)) << c.name;
        EXPECT_EQ(standinText(), "") << c.name << ": the runtime was loaded";
    }
    EXPECT_EQ(test::readBytes(elsewhere / "viewer-0123abcd.aotlock"), "another program's file");
}

// A well-formed request inside the cache still runs: the supervisor finds
// no configuration and ends with 0, loading no runtime.
TEST_F(ElevatedEnvironment, AnAssemblyRequestInsideTheCacheRuns) {
    test::EnvironmentOverride variable(std::u16string(kAssemblyVariable), request(cache / "Viewer"));
    fs::create_directories(cache / "Viewer");
    EXPECT_EQ(test::launch(exe, {"x"}).exitCode, 0);
    EXPECT_EQ(standinText(), "");
}

// The runtime would take an agent (or, OpenJ9, its JIT library or a dump
// tool) from these variables, which the user's unelevated programs can set:
// an elevated start removes them from both copies of the environment before
// the runtime is loaded; a user's keeps them.
TEST_F(ElevatedEnvironment, TheRuntimesOptionVariablesReachOnlyAUsersStart) {
    if (!test::canLaunchElevated()) GTEST_SKIP() << "the tests cannot start a program elevated";
    const std::pair<const char16_t*, const char16_t*> planted[] = {
        {u"JAVA_TOOL_OPTIONS", u"-agentpath:agent.lib"}, {u"_JAVA_OPTIONS", u"-Dplanted=1"},
        {u"OPENJ9_JAVA_OPTIONS", u"-agentpath:j9.lib"},  {u"IBM_JAVA_OPTIONS", u"-agentpath:ibm.lib"},
        {u"IBM_JAVA_JITLIB", u"planted-jit"},            {u"JAVA_DUMP_TOOL", u"planted-tool"}};
    std::vector<std::unique_ptr<test::EnvironmentOverride>> variables;
    for (const auto& [name, value] : planted) variables.push_back(std::make_unique<test::EnvironmentOverride>(name, value));
    for (const bool elevated : {false, true}) {
        fs::remove(standinTrace);
        EXPECT_EQ(test::launch(exe, {"x"}, elevated).exitCode, 0) << elevated;
        const std::string text = standinText();
        ASSERT_NE(text.find("main [x]"), std::string::npos) << text;
        for (const auto& [name, value] : planted) {
            const std::string line = toUtf8(name) + "=" + toUtf8(value);
            EXPECT_EQ(text.find("environment " + line) == std::string::npos, elevated) << line << "\n" << text;
            // The C runtime's copy, which the runtime's getenv reads.
            if (kWindows) {
                EXPECT_EQ(text.find("C runtime environment " + line) == std::string::npos, elevated) << text;
            }
        }
    }
}

// "%NAME%" in the settings: an elevated start expands only what the user
// cannot change, here the launcher's own runtime home and (Windows) the
// system's folder; the user's variable stays as written.
TEST_F(ElevatedEnvironment, AnElevatedStartExpandsNoVariableOfTheUsers) {
    if (!test::canLaunchElevated()) GTEST_SKIP() << "the tests cannot start a program elevated";
    test::EnvironmentOverride planted(u"QX_PLANTED", u"planted");
    test::writeText(folder.path() / "viewer.ini",
                    u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" +
                        test::standinHome("standard").u16string() +
                        u"\nVirtual Machine Parameters=-Dplanted=%QX_PLANTED% -Dhome=%QX_JVM_HOME%" +
                        (kWindows ? u" -Droot=%SystemRoot%" : u"") + u"\n[Class Path]\nClass Path=app.jar\n");
    for (const bool elevated : {false, true}) {
        fs::remove(standinTrace);
        EXPECT_EQ(test::launch(exe, {"x"}, elevated).exitCode, 0) << elevated;
        const std::string text = standinText();
        EXPECT_NE(text.find(elevated ? "option -Dplanted=%QX_PLANTED%" : "option -Dplanted=planted"), std::string::npos)
            << text;
        EXPECT_NE(text.find("option -Dhome=" + toUtf8(test::standinHome("standard").u16string())), std::string::npos)
            << text;
        if (kWindows) {
            EXPECT_EQ(text.find("option -Droot=%SystemRoot%"), std::string::npos) << text;
            EXPECT_NE(text.find("option -Droot="), std::string::npos) << text;
        }
    }
}

// The trace variable is the user's to set: an elevated start creates no file
// it names, and says why on standard error.
TEST_F(ElevatedEnvironment, AnElevatedStartWritesNoTraceFile) {
    if (!test::canLaunchElevated()) GTEST_SKIP() << "the tests cannot start a program elevated";
    const fs::path launchTrace = folder.path() / "launch.txt";
    test::EnvironmentOverride traced(u"QX_LAUNCHER_TRACE", launchTrace.u16string());
    const test::LaunchResult result = test::launch(exe, {"x"}, true);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(launchTrace));
    EXPECT_NE(standinText().find("main [x]"), std::string::npos);
    if (!kWindows) {
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].rfind("the launch trace is not written to " + toUtf8(launchTrace.u16string()), 0), 0u)
            << result.messages[0];
    }
}

// An elevated process's environment is the user's to write: even a request
// that names the cache's own files is refused.
TEST_F(ElevatedEnvironment, AnElevatedProcessRefusesAnAssemblyRequest) {
    if (!test::canLaunchElevated()) GTEST_SKIP() << "the tests cannot start a program elevated";
    fs::create_directories(cache / "Viewer");
    test::EnvironmentOverride variable(std::u16string(kAssemblyVariable), request(cache / "Viewer"));
    EXPECT_EQ(test::launch(exe, {"x"}, true).exitCode, test::reportedExitCode(kAssemblyRefused));
    EXPECT_EQ(standinText(), "");
}

} // namespace
} // namespace launcher
