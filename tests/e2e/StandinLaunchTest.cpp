// Whole launches through the stand-in runtime, on both targets: the
// launcher copied beside an INI whose "JRE Path" names a stand-in home. The
// runtime's trace shows what the launcher asked of it; the exit code and the
// messages show what a user would see.

#include "base/Platform.h"
#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace launcher {
namespace {

namespace fs = std::filesystem;

const std::string kEnd = kWindows ? "\r\n" : "\n";

struct LaunchCase {
    const char* name;
    const char* home; // a stand-in variant, or "broken": a library that does not load
    const char* mainClass;
    std::vector<std::string> arguments;
    int exitCode; // as the Java side or the launcher meant it; -1 shows as 255 on Linux
    std::vector<std::string> messages; // each the start of one message
    std::vector<std::string> calls;    // trace lines, in this order
    std::vector<std::string> absent;   // no trace line starts with these
    const char* parameters = "-Done=1 -Dtwo=\"2 2\"";
    std::optional<std::u16string_view> createResult = std::nullopt;
    const char* application = ""; // lines of the "Application" section
};

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.name; }

// A folder with a launcher copy beside its INI, and the runtime's trace file.
class LaunchFolder : public ::testing::Test {
protected:
    test::TempFolder folder;
    fs::path exe = folder.path() / (kWindows ? "viewer.exe" : "viewer");
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    void SetUp() override {
        fs::path launcher = test::builtLauncher();
        fs::copy_file(launcher, exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeBytes(folder.path() / "app.jar", "PK");
        // A home whose runtime library is no library at all.
        fs::path broken = folder.path() / "broken";
        test::writeBytes(broken / (kWindows ? "bin/server/jvm.dll" : "lib/server/libjvm.so"), "not a library");
        test::writeBytes(broken / (kWindows ? "bin/java.dll" : "lib/libjava.so"), "");
    }
    fs::path home(std::string_view name) const {
        return name == "broken" ? folder.path() / "broken" : test::standinHome(name);
    }
    void writeIni(std::string_view homeName, std::string_view mainClass, std::string_view parameters,
                  std::string_view application = "") {
        test::writeText(folder.path() / "viewer.ini",
                        u"[Java Runtime Environment]\nMain Class=" + fromUtf8(mainClass) + u"\nJRE Path=" +
                            home(homeName).u16string() + u"\nVirtual Machine Parameters=" + fromUtf8(parameters) +
                            u"\n[Class Path]\nClass Path=app.jar\n[Application]\n" + fromUtf8(application) + u"\n");
    }
    std::vector<std::string> trace() const {
        std::istringstream text(test::readBytes(tracePath));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    std::string traceText() const { return test::readBytes(tracePath); }
    // The calls appear in the trace in this order, with others between.
    void expectCalls(const std::vector<std::string>& calls) const {
        std::vector<std::string> lines = trace();
        auto at = lines.begin();
        for (const std::string& call : calls) {
            std::string expected = call == "<class path>" ? classPathOption() : call;
            at = std::find(at, lines.end(), expected);
            ASSERT_NE(at, lines.end()) << "missing or out of order: " << expected << "\n" << traceText();
            ++at;
        }
    }
    std::string classPathOption() const {
        return "option -Djava.class.path=" + toUtf8(folder.text(u"app.jar")) + toUtf8(std::u16string(1, kListSeparator));
    }
};

class StandinLaunch : public LaunchFolder, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(StandinLaunch, RunsAsTheRuntimeAnswers) {
    const LaunchCase& c = GetParam();
    test::EnvironmentOverride createResult(u"STANDIN_CREATE_RESULT", c.createResult);
    writeIni(c.home, c.mainClass, c.parameters, c.application);
    test::LaunchResult result = test::launch(exe, c.arguments);

    EXPECT_EQ(result.exitCode, test::reportedExitCode(c.exitCode));
    ASSERT_EQ(result.messages.size(), c.messages.size()) << traceText();
    for (size_t i = 0; i < c.messages.size(); ++i) {
        std::string expected = c.messages[i];
        // "<library>" stands for the home's runtime library, whose path the
        // message names.
        if (size_t at = expected.find("<library>"); at != std::string::npos) {
            fs::path library = home(c.home) / (kWindows ? "bin\\server\\jvm.dll" : "lib/server/libjvm.so");
            expected.replace(at, 9, toUtf8(library.u16string()));
        }
        EXPECT_EQ(result.messages[i].substr(0, expected.size()), expected);
    }
    expectCalls(c.calls);
    for (const std::string& prefix : c.absent) {
        for (const std::string& line : trace()) EXPECT_NE(line.rfind(prefix, 0), 0u) << line;
    }
}

// The option list as the VM receives it: class path, the parameters after
// quote removal, then the two hooks.
const std::vector<std::string> kOptions = {"CreateJavaVM version=0x00010002 nOptions=5 ignoreUnrecognized=0",
                                           "<class path>", "option -Done=1", "option -Dtwo=2 2",
                                           "option abort extraInfo=set", "option exit extraInfo=set"};

std::vector<std::string> withOptions(std::vector<std::string> calls) {
    calls.insert(calls.begin(), kOptions.begin(), kOptions.end());
    return calls;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StandinLaunch,
    ::testing::Values(
        LaunchCase{"EchoThroughTheLauncherHelper", "standard", "standin.Echo", {"a b", "", "\xC3\xA9\xE4\xB8\xAD"}, 0, {},
                   {"GetDefaultJavaVMInitArgs version=0x00010001", kOptions[0], "<class path>", "option -Done=1",
                    "option -Dtwo=2 2", "option abort extraInfo=set", "option exit extraInfo=set",
                    "FindClassFromBootLoader sun/launcher/LauncherHelper", "checkAndLoadMain 1 1 standin.Echo",
                    "GetStaticMethodID standin/Echo main ([Ljava/lang/String;)V", "main [a b][][\xC3\xA9\xE4\xB8\xAD]",
                    "DetachCurrentThread", "DestroyJavaVM"},
                   {"ExceptionDescribe", "FindClass standin/"}},
        LaunchCase{"WithoutBootLoaderEntryFindClassFindsMain", "no-bootloader", "standin.Echo", {}, 0, {},
                   withOptions({"FindClass standin/Echo", "main", "DetachCurrentThread", "DestroyJavaVM"}),
                   {"FindClassFromBootLoader", "checkAndLoadMain"}},
        LaunchCase{"ThreadStackSizeFromXssSkipsTheDefaultQuery", "standard", "standin.Echo", {}, 0, {},
                   {"option -Xss2m", "main"}, {"GetDefaultJavaVMInitArgs"}, "-Xss2m"},
        LaunchCase{"SystemExitCodeIsTheExitCode", "standard", "standin.Exit", {"7"}, 7, {},
                   withOptions({"main [7]", "exit 7"}), {"DetachCurrentThread"}},
        // An uncaught exception that no dialog showed fails the launch, as
        // with the runtime's own launcher, also when a thread of the program
        // outlives main; a later System.exit has the last word.
        LaunchCase{"UncaughtExceptionWithoutFailureCheckEndsWithOne", "standard", "standin.Throw", {}, 1, {},
                   withOptions({"main", "DetachCurrentThread", "uncaught standin.Failure: thrown by the stand-in",
                                "DestroyJavaVM"})},
        LaunchCase{"UncaughtExceptionOutlivedByAThreadEndsWithOne", "standard", "standin.ThrowBesideThread", {"300"}, 1,
                   {}, {"main [300]", "uncaught standin.Failure: thrown by the stand-in", "Thread-0 ends", "DestroyJavaVM"}},
        LaunchCase{"SystemExitAfterAnUncaughtExceptionGivesItsCode", "standard", "standin.ThrowBesideThread",
                   {"300", "7"}, 7, {}, {"main [300][7]", "uncaught standin.Failure: thrown by the stand-in", "exit 7"},
                   {"DestroyJavaVM"}},
        LaunchCase{"TraceThatCannotBeReadShowsNoDialogAndEndsWithOne", "standard", "standin.Throw", {}, 1, {},
                   {"main", "ExceptionDescribe java.lang.NoSuchMethodError: printStackTrace", "DetachCurrentThread",
                    "uncaught standin.Failure: thrown by the stand-in", "DestroyJavaVM"},
                   {}, "-Dstandin.missingMethod=printStackTrace", std::nullopt, "Failure Check=Yes"},
        LaunchCase{"ServiceDestroysTheVmOnItsOwnThread", "standard", "standin.Echo", {}, 0, {},
                   withOptions({"main", "DetachCurrentThread", "DestroyJavaVM on the creating thread"}),
                   {}, "-Done=1 -Dtwo=\"2 2\"", std::nullopt, "Application Type=service"},
        LaunchCase{"UncaughtExceptionInAServiceEndsWithOne", "standard", "standin.Throw", {}, 1, {},
                   {"main", "uncaught standin.Failure: thrown by the stand-in", "DestroyJavaVM on the creating thread"},
                   {}, "", std::nullopt, "Application Type=service"},
        LaunchCase{"MissingMainClass", "standard", "standin.Missing", {}, -1,
                   {"Could not find the main class standin/Missing."},
                   withOptions({"checkAndLoadMain 1 1 standin.Missing", "FindClass standin/Missing",
                                "ExceptionDescribe java.lang.NoClassDefFoundError: standin/Missing"}),
                   {"main"}},
        // A runtime whose helper ends the VM for a missing class, as real
        // ones do: a GUI program has nobody reading standard error, so it says
        // so in a box; the exit code is the helper's.
        LaunchCase{"HelperEndsTheVmForAMissingClass", "standard", "standin.Missing", {}, 1,
                   kWindows ? std::vector<std::string>{"Could not find the main class standin/Missing."}
                            : std::vector<std::string>{},
                   {"option -Dstandin.helperExits=true", "checkAndLoadMain 1 1 standin.Missing", "exit 1"},
                   {"FindClass standin/", "main"}, "-Dstandin.helperExits=true"},
        LaunchCase{"NoMainMethod", "standard", "standin.NoMain", {}, -1, {"No main method found in specified class."},
                   withOptions({"GetStaticMethodID standin/NoMain main ([Ljava/lang/String;)V"})},
        LaunchCase{"CreationErrorOutsideTheKnownCodesHasAnEmptyReason", "create-fails", "standin.Echo", {}, -1,
                   {"JNI exception: failed to create the Java VM Reason: ."}, kOptions, {"FindClass", "main"}},
        LaunchCase{"CreationErrorMinusOneIsUnknown", "create-fails", "standin.Echo", {}, -1,
                   {"JNI exception: failed to create the Java VM Reason: unknown."}, kOptions, {"main"},
                   "-Done=1 -Dtwo=\"2 2\"", u"-1"},
        LaunchCase{"UnrecognisedOptionFailsTheCreation", "standard", "standin.Echo", {}, -1,
                   {"JNI exception: failed to create the Java VM Reason: unknown."}, {"option bogus"}, {"main"},
                   "bogus"},
        LaunchCase{"MissingCreateExport", "no-create", "standin.Echo", {}, -1,
                   {"Windows exception: cannot find CreateJavaVM JNI (errno = "}, {}, {"CreateJavaVM"}},
        LaunchCase{"LibraryThatDoesNotLoad", "broken", "standin.Echo", {}, -1,
                   {"Failed to load Java VM library: <library>"}, {}, {"CreateJavaVM"}}),
    [](const ::testing::TestParamInfo<LaunchCase>& info) { return std::string(info.param.name); });

using StandinRedirect = LaunchFolder;

TEST_F(StandinRedirect, OutputGoesToFilesInNewFoldersTruncatedOrAppended) {
    const fs::path out = folder.path() / "logs" / "new" / "out.txt";
    const fs::path err = folder.path() / "logs" / "err.txt";
    const std::string files = "Output File=" + toUtf8(out.u16string()) + "\nError File=" + toUtf8(err.u16string()) + "\n";
    writeIni("standard", "standin.Echo", "", files);
    EXPECT_EQ(test::launch(exe, {"first"}).exitCode, 0);
    EXPECT_EQ(test::launch(exe, {"second", "\xE2\x82\xAC"}).exitCode, 0);
    EXPECT_EQ(test::readBytes(out), "second" + kEnd + "\xE2\x82\xAC" + kEnd);

    writeIni("standard", "standin.Echo", "", files + "Output Append=yes\n");
    EXPECT_EQ(test::launch(exe, {"third"}).exitCode, 0);
    EXPECT_EQ(test::readBytes(out), "second" + kEnd + "\xE2\x82\xAC" + kEnd + "third" + kEnd);

    // The uncaught exception goes where System.err points.
    writeIni("standard", "standin.Throw", "", files);
    EXPECT_EQ(test::launch(exe, {}).exitCode, 1);
    EXPECT_EQ(test::readBytes(err),
              "Exception in thread \"main\" standin.Failure: thrown by the stand-in" + kEnd + "\tat standin.Throw.main(Throw.java)" + kEnd);
    expectCalls({"setOut " + toUtf8(out.u16string()) + " append=1", "setErr " + toUtf8(err.u16string()) + " append=0",
                 "main", "DetachCurrentThread", "uncaught standin.Failure: thrown by the stand-in"});
}

// A runtime whose System.setOut cannot be found: the standard output stays
// where it was, the failure is printed once, and the rest of the start (the
// error file, finding main) goes on with nothing left pending.
class StandinRedirectFailure : public LaunchFolder, public ::testing::WithParamInterface<const char*> {};

TEST_P(StandinRedirectFailure, PrintsTheFailureAndStartsWithoutThatRedirection) {
    const fs::path out = folder.path() / "out.txt";
    const fs::path err = folder.path() / "err.txt";
    writeIni(GetParam(), "standin.Echo", "-Dstandin.missingMethod=setOut",
             "Output File=" + toUtf8(out.u16string()) + "\nError File=" + toUtf8(err.u16string()) + "\n");
    test::LaunchResult result = test::launch(exe, {"shown"});
    EXPECT_EQ(result.exitCode, 0) << traceText();
    EXPECT_TRUE(result.messages.empty()) << result.messages.front();
    expectCalls({"GetStaticMethodID java/lang/System setOut (Ljava/io/PrintStream;)V",
                 "ExceptionDescribe java.lang.NoSuchMethodError: setOut", "setErr " + toUtf8(err.u16string()) + " append=0",
                 "main [shown]", "DestroyJavaVM"});
    for (const std::string& line : trace()) EXPECT_NE(line.rfind("setOut ", 0), 0u) << line;
}

INSTANTIATE_TEST_SUITE_P(Runtimes, StandinRedirectFailure, ::testing::Values("standard", "no-bootloader"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param[0] == 's' ? "Standard" : "WithoutBootLoaderEntry");
                         });

// The class-data cache on a runtime whose release file says 17: the
// launcher makes the per-user cache folder and asks for an archive there,
// before the application's own options so that they can override it.
TEST_F(LaunchFolder, StartupCacheAsksARuntime17ToRecordItsArchive) {
    const fs::path runtime = folder.path() / "jre17";
    fs::copy(home("standard"), runtime, fs::copy_options::recursive);
    test::writeBytes(runtime / "release", "IMPLEMENTOR=\"Stand-in\"\nJAVA_VERSION=\"17.0.2\"\n");
    const fs::path cache = folder.path() / u"cach\u00e9 \u65e5\u672c";
    test::EnvironmentOverride cacheHome(kWindows ? u"LOCALAPPDATA" : u"XDG_CACHE_HOME", cache.u16string());
    test::writeText(folder.path() / "viewer.ini",
                    u"[Product Information]\nProduct Name=Viewer\nProduct Code=2\n[Java Runtime Environment]\n"
                    u"Main Class=standin.Echo\nJRE Path=" + runtime.u16string() +
                        u"\nVirtual Machine Parameters=-Done=1\n[Class Path]\nClass Path=app.jar\n"
                        u"[Application]\nStartup Cache=Yes\n");
    EXPECT_EQ(test::launch(exe, {}).exitCode, 0) << traceText();
    EXPECT_TRUE(fs::is_directory(cache / "Viewer" / "2"));
    expectCalls({"<class path>", "option -Xlog:cds*=off,class+path*=off"});
    const std::vector<std::string> lines = trace();
    auto record = std::find_if(lines.begin(), lines.end(),
                               [](const std::string& line) { return line.rfind("option -XX:ArchiveClassesAtExit=", 0) == 0; });
    ASSERT_NE(record, lines.end()) << traceText();
    EXPECT_NE(record->find("viewer-"), std::string::npos) << *record;
    EXPECT_EQ(record->substr(record->size() - 4), ".jsa");
    EXPECT_EQ(*std::next(record), "option -Done=1");
}

// The ahead-of-time cache of a runtime whose release file says 25, as far
// as the stand-in runtime shows it: it records nothing at its end, so the
// test puts a configuration in place. The next start then starts the
// background assembly, whose runtime gets the assembly's options; the
// stand-in returns from creating its VM where a real runtime would have
// ended the process, which the assembly takes for a runtime that cannot
// assemble: the mark it leaves keeps later starts on the class-data archive.
TEST_F(LaunchFolder, StartupCacheOnRuntime25AssemblesInTheBackground) {
    const fs::path runtime = folder.path() / "jre25";
    fs::copy(home("standard"), runtime, fs::copy_options::recursive);
    test::writeBytes(runtime / "release", "IMPLEMENTOR=\"Stand-in\"\nJAVA_VERSION=\"25.0.1\"\n");
    const fs::path cache = folder.path() / "cache";
    test::EnvironmentOverride cacheHome(kWindows ? u"LOCALAPPDATA" : u"XDG_CACHE_HOME", cache.u16string());
    test::writeText(folder.path() / "viewer.ini",
                    u"[Product Information]\nProduct Name=Viewer\n[Java Runtime Environment]\n"
                    u"Main Class=standin.Echo\nJRE Path=" + runtime.u16string() +
                        u"\n[Class Path]\nClass Path=app.jar\n[Application]\nStartup Cache=Yes\n");
    auto optionValue = [this](const std::string& prefix) {
        std::string value;
        for (const std::string& line : trace()) {
            if (line.rfind("option " + prefix, 0) == 0) value = line.substr(7 + prefix.size());
        }
        return value;
    };

    // Files of another runtime or class path, a temporary file of a process
    // that has ended, another program's file.
    const fs::path cacheFolder = cache / "Viewer";
    for (const char* name : {"viewer-00000000.aot", "viewer-00000000.jsa", "viewer-00000000.aotconf.999999999.tmp",
                             "other-00000000.aot"}) {
        test::writeBytes(cacheFolder / name, "old");
    }
    ASSERT_EQ(test::launch(exe, {}).exitCode, 0) << traceText();
    EXPECT_EQ(optionValue("-XX:AOTMode="), "record") << traceText();
    for (const char* name : {"viewer-00000000.aot", "viewer-00000000.jsa", "viewer-00000000.aotconf.999999999.tmp"}) {
        EXPECT_FALSE(fs::exists(cacheFolder / name)) << name;
    }
    EXPECT_TRUE(fs::exists(cacheFolder / "other-00000000.aot"));
    const std::string recording = optionValue("-XX:AOTConfiguration=");
    const size_t end = recording.rfind(".aotconf.");
    ASSERT_NE(end, std::string::npos) << traceText();
    EXPECT_EQ(recording.substr(recording.size() - 4), ".tmp");
    const fs::path stem = fs::u8path(recording.substr(0, end));
    EXPECT_FALSE(fs::exists(recording)) << "nothing half-recorded is left";

    // A whole configuration: its magic number, a header of a layout not
    // looked into.
    test::writeBytes(stem.string() + ".aotconf", std::string("\x7c\xa0\xfe\xca\0\0\0\0\x0f\0\0\0", 12));
    fs::remove(tracePath);
    ASSERT_EQ(test::launch(exe, {}).exitCode, 0) << traceText();
    const fs::path failed = stem.string() + ".aotfailed";
    for (int wait = 0; wait < 600 && !fs::exists(failed); ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(fs::exists(failed)) << traceText();
    // This start ran as without the cache; the assembly's runtime was asked
    // to assemble into a temporary file, which is gone.
    EXPECT_EQ(optionValue("-XX:AOTConfiguration="), stem.string() + ".aotconf") << traceText();
    EXPECT_EQ(optionValue("-XX:AOTMode="), "create");
    const std::string assembled = optionValue("-XX:AOTCache=");
    EXPECT_EQ(assembled.rfind(stem.string() + ".aot.", 0), 0u) << assembled;
    for (int wait = 0; wait < 100 && fs::exists(fs::u8path(assembled)); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(fs::exists(fs::u8path(assembled)));
    EXPECT_FALSE(fs::exists(stem.string() + ".aot"));

    fs::remove(tracePath);
    ASSERT_EQ(test::launch(exe, {}).exitCode, 0) << traceText();
    EXPECT_EQ(optionValue("-XX:SharedArchiveFile="), stem.string() + ".jsa") << traceText();
    EXPECT_EQ(optionValue("-XX:AOTMode="), "");
}

// A runtime that refuses the cache's options still runs the application,
// as without the cache, and without a message.
TEST_F(LaunchFolder, StartupCacheOptionsARuntimeRefusesAreLeftOut) {
    for (auto [version, refused] : {std::pair{"25.0.1", "-XX:AOT"}, std::pair{"17.0.2", "-XX:ArchiveClassesAtExit"}}) {
        const fs::path runtime = folder.path() / (std::string("jre") + version);
        fs::copy(home("standard"), runtime, fs::copy_options::recursive);
        test::writeBytes(runtime / "release", std::string("JAVA_VERSION=\"") + version + "\"\n");
        const fs::path cache = folder.path() / (std::string("cache") + version);
        test::EnvironmentOverride cacheHome(kWindows ? u"LOCALAPPDATA" : u"XDG_CACHE_HOME", cache.u16string());
        test::EnvironmentOverride refuse(u"STANDIN_REFUSE", fromUtf8(refused));
        test::writeText(folder.path() / "viewer.ini",
                        u"[Product Information]\nProduct Name=Viewer\n[Java Runtime Environment]\n"
                        u"Main Class=standin.Echo\nJRE Path=" + runtime.u16string() +
                            u"\n[Class Path]\nClass Path=app.jar\n[Application]\nStartup Cache=Yes\n");
        fs::remove(tracePath);
        const test::LaunchResult result = test::launch(exe, {"one"});
        EXPECT_EQ(result.exitCode, 0) << traceText();
        EXPECT_TRUE(result.messages.empty()) << result.messages.front();
        const std::vector<std::string> lines = trace();
        auto creation = [](const std::string& line) { return line.rfind("CreateJavaVM ", 0) == 0; };
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), creation), 2);
        const auto second = std::find_if(lines.rbegin(), lines.rend(), creation);
        for (auto line = second.base(); line != lines.end(); ++line) {
            EXPECT_EQ(line->find("-XX:"), std::string::npos) << *line;
            EXPECT_EQ(line->find("-Xlog:"), std::string::npos) << *line;
        }
        expectCalls({"main [one]"});
        // Nothing recorded, nothing started in the background.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (const auto& entry : fs::directory_iterator(cache / "Viewer")) ADD_FAILURE() << entry.path();
    }
}

} // namespace
} // namespace launcher
