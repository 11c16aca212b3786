// The launch trace of whole launches through the stand-in runtime, on both
// targets: the runtime search explains every runtime it passes over, a
// normal start lists its options in order, and the variable's absence or a
// trace file that cannot be written changes nothing about the launch.

#include "base/Platform.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const char* const kLibrary = kWindows ? "bin/server/jvm.dll" : "lib/server/libjvm.so";
const char* const kMarker = kWindows ? "bin/java.dll" : "lib/libjava.so";

// Bounds that leave the one runtime that loads.
const std::string kOnlyGood = "Minimum Version=90\nMaximum Version=94\n";

class LaunchTrace : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / (kWindows ? "viewer.exe" : "viewer");
    fs::path userHome = folder.path() / "home";
    fs::path runtimes = userHome / ".jdks";
    fs::path tracePath = folder.path() / "launch trace.log";
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    // The user's runtime folder is $HOME/.jdks on Linux, %USERPROFILE%\.jdks on Windows.
    test::EnvironmentOverride home{u"HOME", userHome.u16string()};
    test::EnvironmentOverride profile{u"USERPROFILE", userHome.u16string()};
    test::EnvironmentOverride standinTrace{u"STANDIN_TRACE", (folder.path() / "standin.txt").u16string()};

    void SetUp() override {
        fs::copy_file(test::builtLauncher(),
                      exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
        // Each runtime but the last fails one test of the search.
        addRuntime("old", "11.0.2", "", true);
        addRuntime("jdk", "95.0.1", "", true);
        test::writeBytes(runtimes / "jdk" / (kWindows ? "bin/javac.exe" : "bin/javac"), "");
        addRuntime("ibm", "96.0.1", "IBM Corporation", true);
        addRuntime("client", "97.0.1", "", false);
        test::writeBytes(runtimes / "client" / (kWindows ? "bin/client/jvm.dll" : "lib/client/libjvm.so"), "");
        if (kWindows) {
            addRuntime("x86", "98.0.1", "", false);
            test::writeBytes(runtimes / "x86" / kLibrary, test::libraryHeaders(test::kPeMachineI386));
        }
        addRuntime("good", "93.0.1", "", true);
    }
    void addRuntime(const std::string& name, const std::string& version, const std::string& implementor, bool standin) {
        fs::path at = runtimes / name;
        fs::create_directories(at);
        if (standin) fs::copy(test::standinHome("standard"), at, fs::copy_options::recursive);
        test::writeBytes(at / kMarker, "");
        test::writeBytes(at / "release", "IMPLEMENTOR=\"" + implementor + "\"\nJAVA_VERSION=\"" + version + "\"\n");
    }
    void writeIni(const std::string& runtime) {
        test::writeBytes(folder.path() / "viewer.ini",
                         "[Java Runtime Environment]\nMain Class=standin.Echo\n" + runtime +
                             "\nVirtual Machine Parameters=-Dfirst=1 -Xmx64m -Dlast=\"a b\"\n"
                             "[Class Path]\nClass Path=app.jar\n");
    }
    std::string traced() const { return fs::exists(tracePath) ? test::readBytes(tracePath) : std::string(); }
};

TEST_F(LaunchTrace, RejectedRuntimesAreExplained) {
    writeIni("Minimum Version=90\nJVM Type=server\nJVM Source=only_JRE\n");
    test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", tracePath.u16string());
    test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 0);
    std::string text = traced();
    std::vector<std::string> expected = {
        "old", "version 11.0.2 is below \"Minimum Version\" 90.0",
        "jdk", "a JDK, and \"JVM Source\" searches only JREs",
        "ibm", "vendor IBM is not searched",
        "client", "no server library (\"JVM Type\" is server)",
        "good", "(JRE, Oracle/OpenJDK, version 93.0.1): chosen",
        "runtime library: ",
    };
    if (kWindows) expected.push_back("a 32-bit runtime, which this 64-bit launcher cannot load");
    for (const std::string& part : expected) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

TEST_F(LaunchTrace, NormalStartListsOptionsInOrder) {
    writeIni(kOnlyGood);
    // A reference in the value names the folder.
    test::EnvironmentOverride folderVariable(u"QX_TRACE_FOLDER", folder.path().u16string());
    test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", kWindows ? u"%QX_TRACE_FOLDER%\\launch trace.log"
                                                                      : u"%QX_TRACE_FOLDER%/launch trace.log");
    test::LaunchResult result = test::launch(exe, {"x"});
    EXPECT_EQ(result.exitCode, 0);
    std::string text = traced();
    const std::string classPath = toUtf8(folder.text(u"app.jar"));
    const std::vector<std::string> ordered = {
        "launcher: ", "INI file: ", "setting [Java Runtime Environment] Main Class = \"standin.Echo\" from ",
        "single instance: off", "runtime library: ", "splash: none", "VM options: 4 in this order",
        "VM option 1: -Djava.class.path=" + classPath, "VM option 2: -Dfirst=1", "VM option 3: -Xmx64m",
        "VM option 4: -Dlast=a b", "class path: " + classPath, "main class lookup: standin/Echo",
        "main class found; calling main", "exit code 0: main returned",
    };
    size_t at = 0;
    for (const std::string& part : ordered) {
        size_t found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << part << "\n" << text;
        at = found + part.size();
    }
}

TEST_F(LaunchTrace, UnsetOrUnusableTraceChangesNothing) {
    writeIni(kOnlyGood);
    fs::path deep = folder.path();
    while (deep.u16string().size() < 280) deep /= "deeper-folder";
    fs::create_directories(kWindows ? fs::path(u"\\\\?\\" + deep.u16string()) : deep);
    struct Case {
        const char* label;
        std::optional<std::u16string> value;
        fs::path written; // empty: no trace file anywhere
    } cases[] = {
        {"unset", std::nullopt, {}},
        {"missing folder", (folder.path() / "missing" / "t.log").u16string(), {}},
        {"a folder, not a file", folder.path().u16string(), {}},
        {"longer than 260 characters", (deep / "t.log").u16string(), deep / "t.log"},
    };
    for (const Case& c : cases) {
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", c.value);
        test::LaunchResult result = test::launch(exe, {"x"});
        EXPECT_EQ(result.exitCode, 0) << c.label;
        EXPECT_TRUE(result.messages.empty()) << c.label;
        EXPECT_FALSE(fs::exists(tracePath)) << c.label;
        EXPECT_FALSE(fs::exists(folder.path() / "missing")) << c.label;
        if (!c.written.empty()) {
            fs::path readable = kWindows ? fs::path(u"\\\\?\\" + c.written.u16string()) : c.written;
            EXPECT_NE(test::readBytes(readable).find("exit code 0"), std::string::npos) << c.label;
        }
    }
}

} // namespace
} // namespace launcher
