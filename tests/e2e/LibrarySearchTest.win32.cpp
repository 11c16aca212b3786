// Where the launcher's process finds the DLLs that the runtime and the
// application load: a copy planted beside the executable or in the current
// folder is never taken, while the runtime's folders and the folders of
// "Library Path" and "System Path" still serve. The marker DLLs answer which
// copy was loaded; the stand-in runtime writes the answer to its trace.

#include "base/Text.h"
#include "probe/StandinProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace launcher {
namespace {

namespace fs = std::filesystem;

struct PlacedFile {
    const char* marker; // under <build>/standin/markers
    const char* to;     // in the test folder; "viewer.exe" is the launcher
};

struct SearchCase {
    const char* name;
    const char* runtime; // a stand-in variant, copied to jre
    std::vector<PlacedFile> files;
    const char* libraryPath = "";
    const char* systemPath = "";
    const char* library = "";          // -Dstandin.loadLibrary; "<folder>" is the test folder
    const char* currentFolder = "";    // in the test folder; empty: the test's own
    const char* traceLine = "";        // a trace line starts with this...
    const char* answer = "";           // ...and ends with this
    const char* ownLibraryPath = "";   // the parameters' own -Djava.library.path
};

void PrintTo(const SearchCase& c, std::ostream* out) { *out << c.name; }

class LibrarySearch : public ::testing::TestWithParam<SearchCase> {
protected:
    test::TempFolder folder;
    fs::path tracePath = folder.path() / "trace.txt";
    test::EnvironmentOverride traceVariable{u"STANDIN_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};

    std::u16string withFolder(const char* text) const {
        std::u16string out = fromUtf8(text);
        for (size_t at; (at = out.find(u"<folder>")) != std::u16string::npos;) out.replace(at, 8, folder.text());
        return out;
    }
};

TEST_P(LibrarySearch, TakesTheCopyTheConfigurationMeans) {
    const SearchCase& c = GetParam();
    const fs::path built = test::standinHome("standard").parent_path();
    fs::copy(test::standinHome(c.runtime), folder.path() / "jre", fs::copy_options::recursive);
    fs::copy_file(built.parent_path() / "bin" / "launcher.exe", folder.path() / "viewer.exe");
    test::writeBytes(folder.path() / "app.jar", "PK");
    for (const PlacedFile& file : c.files) {
        fs::create_directories((folder.path() / file.to).parent_path());
        fs::copy_file(built / "markers" / file.marker, folder.path() / file.to, fs::copy_options::overwrite_existing);
    }
    std::u16string parameters;
    if (*c.library) parameters = u"\"-Dstandin.loadLibrary=" + withFolder(c.library) + u"\"";
    // Unquoted and first: the profile functions take the quotes off a value
    // that starts and ends with one.
    if (*c.ownLibraryPath) parameters = u"-Djava.library.path=" + withFolder(c.ownLibraryPath) + u" " + parameters;
    test::writeText(folder.path() / "viewer.ini",
                    u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" + folder.text(u"jre") +
                        u"\nLibrary Path=" + withFolder(c.libraryPath) + u"\nSystem Path=" + withFolder(c.systemPath) +
                        u"\nVirtual Machine Parameters=" + parameters + u"\n[Class Path]\nClass Path=app.jar\n");
    const fs::path before = fs::current_path();
    if (*c.currentFolder) fs::current_path(folder.path() / c.currentFolder);
    test::LaunchResult result = test::launch(folder.path() / "viewer.exe", {});
    fs::current_path(before);

    const std::string trace = test::readBytes(tracePath);
    EXPECT_EQ(result.exitCode, 0) << trace;
    std::istringstream lines(trace);
    std::vector<std::string> answers;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(c.traceLine, 0) == 0) answers.push_back(line);
    }
    ASSERT_EQ(answers.size(), 1u) << trace;
    const std::string expected = std::string(" ") + c.answer;
    const std::string& line = answers.front();
    EXPECT_TRUE(line.size() >= expected.size() &&
                line.compare(line.size() - expected.size(), expected.size(), expected) == 0)
        << line;
}

const PlacedFile kPlantedBesideTheLauncher{"planted/standinmarker.dll", "standinmarker.dll"};

INSTANTIATE_TEST_SUITE_P(
    Cases, LibrarySearch,
    ::testing::Values(
        // The runtime library's own import comes from the runtime's bin
        // folder, not from beside the executable.
        SearchCase{"RuntimeLibraryImportsFromItsOwnBinFolder", "imports-helper", {kPlantedBesideTheLauncher}, "", "", "",
                   "", "helper ", "runtime"},
        // A library the runtime loads by name once it runs.
        SearchCase{"LaterLoadByNameFindsTheRuntimesCopy",
                   "standard",
                   {kPlantedBesideTheLauncher, {"runtime/standinmarker.dll", "jre/bin/standinmarker.dll"}},
                   "", "", "standinmarker.dll", "", "loadLibrary ", "runtime"},
        SearchCase{"LaterLoadByNameIgnoresTheCurrentFolder",
                   "standard",
                   {{"planted/standinmarker.dll", "documents/standinmarker.dll"},
                    {"runtime/standinmarker.dll", "jre/bin/standinmarker.dll"}},
                   "", "", "standinmarker.dll", "documents", "loadLibrary ", "runtime"},
        // A native library loaded by its path finds the DLL beside it when
        // its folder is in "Library Path", absolute or relative.
        SearchCase{"NativeLibraryInLibraryPathFindsItsSibling",
                   "standard",
                   {kPlantedBesideTheLauncher, {"jni/standinjni.dll", "native/standinjni.dll"},
                    {"runtime/standinmarker.dll", "native/standinmarker.dll"}},
                   "<folder>\\native", "", "<folder>\\native\\standinjni.dll", "", "loadLibrary ", "jni with runtime"},
        SearchCase{"RelativeLibraryPathFolderIsInTheInstallation",
                   "standard",
                   {{"jni/standinjni.dll", "lib/native/standinjni.dll"},
                    {"runtime/standinmarker.dll", "lib/native/standinmarker.dll"}},
                   "lib\\native", "", "<folder>\\lib\\native\\standinjni.dll", "", "loadLibrary ", "jni with runtime"},
        // The same folder given in the application's own options.
        SearchCase{"NativeLibraryInTheOptionsLibraryPathFindsItsSibling",
                   "standard",
                   {kPlantedBesideTheLauncher, {"jni/standinjni.dll", "native/standinjni.dll"},
                    {"runtime/standinmarker.dll", "native/standinmarker.dll"}},
                   "", "", "<folder>\\native\\standinjni.dll", "", "loadLibrary ", "jni with runtime",
                   "<folder>\\missing;<folder>\\native"},
        // "System Path" served through the search path; it still serves.
        SearchCase{"SystemPathStillServes",
                   "standard",
                   {kPlantedBesideTheLauncher, {"runtime/standinmarker.dll", "tools/standinmarker.dll"}},
                   "", "<folder>\\tools", "standinmarker.dll", "", "loadLibrary ", "runtime"},
        // Nothing configured finds nothing beside the executable.
        SearchCase{"NothingBesideTheExecutableIsLoaded",
                   "standard",
                   {kPlantedBesideTheLauncher},
                   "", "", "standinmarker.dll", "", "loadLibrary ", "failed (error 126)"}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

// The launch trace names every folder of the search, and a folder that
// does not exist is left out.
TEST(LibrarySearchTrace, ListsTheFoldersOfTheSearch) {
    test::TempFolder folder;
    fs::copy(test::standinHome("standard"), folder.path() / "jre", fs::copy_options::recursive);
    fs::copy_file(test::builtLauncher(),
                  folder.path() / "viewer.exe");
    fs::create_directories(folder.path() / "native");
    test::writeBytes(folder.path() / "app.jar", "PK");
    test::writeText(folder.path() / "viewer.ini",
                    u"[Java Runtime Environment]\nMain Class=standin.Echo\nJRE Path=" + folder.text(u"jre") +
                        u"\nVirtual Machine Parameters=\"-Djava.library.path=" + folder.text(u"missing") + u";" +
                        folder.text(u"native") + u"\"\n[Class Path]\nClass Path=app.jar\n");
    const fs::path tracePath = folder.path() / "launch.txt";
    test::EnvironmentOverride launchTrace{u"QX_LAUNCHER_TRACE", tracePath.u16string()};
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    EXPECT_EQ(test::launch(folder.path() / "viewer.exe", {}).exitCode, 0);
    const std::string trace = test::readBytes(tracePath);
    EXPECT_NE(trace.find("library search: " + toUtf8(folder.text(u"missing")) + " is left out: no such folder"),
              std::string::npos)
        << trace;
    const std::string runtimeBin = toUtf8(folder.text(u"jre\\bin"));
    EXPECT_NE(trace.find("library search: DLLs loaded by name are looked for in " + runtimeBin + "; " + runtimeBin +
                         "\\server; " + toUtf8(folder.text(u"native")) + "; the system folder"),
              std::string::npos)
        << trace;
}

} // namespace
} // namespace launcher
