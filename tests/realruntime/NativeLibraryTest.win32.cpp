// The program's own native library on the real runtime: realjni.dll,
// loaded by System.loadLibrary, imports realdep.dll by name, so Windows'
// loader (not Java) must find that one. The launcher's process finds it
// beside the JNI library in a "Library Path" folder or a
// -Djava.library.path= folder, never in the current folder, where a planted
// copy (answering 666 and leaving a marker file) waits; the runtime's own
// java.exe does neither.

#include "RealRuntime.win32.h"

#include <gtest/gtest.h>

namespace launcher::realnative {
namespace {

namespace fs = std::filesystem;

const char* const kPlantedMarker = "planted-realdep-loaded.txt";

fs::path builtNative(const char* folder, const char* dll) {
    return test::buildFolder() / "realruntime" / "native" / folder / dll;
}

void copyInto(const fs::path& file, const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(file, folder / file.filename(), fs::copy_options::overwrite_existing);
}

class RealNativeLibrary : public test::RealRuntimeTest {
protected:
    // The folder the launch starts from, a download folder holding the
    // planted copy of the dependency.
    fs::path downloads = folder.path() / "Downloads";

    void SetUp() override {
        test::RealRuntimeTest::SetUp();
        if (IsSkipped()) return;
        fs::create_directories(downloads);
    }
    void plantDependency() const { copyInto(builtNative("planted", "realdep.dll"), downloads); }
    // The JNI library and, when asked, its dependency in a folder.
    static void placeLibrary(const fs::path& where, bool withDependency) {
        copyInto(builtNative("jni", "realjni.dll"), where);
        if (withDependency) copyInto(builtNative("dependency", "realdep.dll"), where);
    }
    test::CapturedRun startProbe() const { return start({}, {.workingDirectory = downloads}); }
};

// How the launch names the folder "native" (in the test's folder, beside
// the executable) that holds the JNI library and its dependency.
enum class Named {
    LibraryPath,       // "Library Path", the folder's full path
    LibraryPathOption, // -Djava.library.path= in "Virtual Machine Parameters"
    // "Library Path=native", relative to the executable, holding only the
    // dependency; the JNI library lies in the current folder beside the
    // planted dependency, and java.library.path's "." finds it there.
    JniInTheCurrentFolder,
};

struct NativeRow {
    const char* label;
    Named named;
};

void PrintTo(const NativeRow& row, std::ostream* out) { *out << row.label; }

class RealNativeRows : public RealNativeLibrary, public ::testing::WithParamInterface<NativeRow> {};

TEST_P(RealNativeRows, DependencyFoundBesideTheLibraryNeverInTheCurrentFolder) {
    const NativeRow& row = GetParam();
    const fs::path native = folder.path() / "native";
    if (row.named == Named::JniInTheCurrentFolder) {
        placeLibrary(downloads, false);
        copyInto(builtNative("dependency", "realdep.dll"), native);
    } else {
        placeLibrary(native, true);
    }
    plantDependency();
    std::string lines = jrePathLine();
    if (row.named == Named::LibraryPath) lines += "Library Path=" + native.string() + "\r\n";
    if (row.named == Named::LibraryPathOption) {
        lines += "Virtual Machine Parameters=-Djava.library.path=" + native.string() + "\r\n";
    }
    if (row.named == Named::JniInTheCurrentFolder) lines += "Library Path=native\r\n";
    writeIni(lines, {}, "realapp.NativeLibraryProbe");

    const test::CapturedRun run = startProbe();
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(test::reported(run.out, "value"), "7") << run.out;
    EXPECT_EQ(test::reported(run.out, "error"), "<missing>");
    EXPECT_FALSE(fs::exists(downloads / kPlantedMarker)) << "the planted realdep.dll was loaded";
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RealNativeRows,
    ::testing::Values(NativeRow{"LibraryPath", Named::LibraryPath},
                      NativeRow{"JavaLibraryPathOption", Named::LibraryPathOption},
                      NativeRow{"JniLibraryInTheCurrentFolder", Named::JniInTheCurrentFolder}),
    [](const ::testing::TestParamInfo<NativeRow>& info) { return std::string(info.param.label); });

// The same library with the runtime's own java.exe, started as a user
// would start it: the dependency beside the JNI library is not found, and a
// copy in the current folder is taken instead.
TEST_F(RealNativeLibrary, JavaExeMissesTheDependencyAndTakesThePlantedOne) {
    // Wine starts its desktop process (explorer.exe /desktop) for the first
    // program that needs the desktop. When java.exe was that program, the
    // captured output never ended (the pipe stayed open after java.exe
    // exited, until the Wine session was stopped); so the test process
    // starts it first.
    GetDesktopWindow();
    const fs::path native = folder.path() / "native";
    placeLibrary(native, true);
    const fs::path java = test::realRuntime().home / "bin" / "java.exe";
    const std::wstring arguments = test::commandLineOf(
        {L"-Djava.library.path=" + native.wstring(), L"-cp", (folder.path() / "app.jar").wstring(),
         L"realapp.NativeLibraryProbe"});

    const test::CapturedRun missing = test::runCaptured(java, arguments, {.workingDirectory = downloads});
    EXPECT_EQ(missing.exitCode, 0u) << missing.err;
    EXPECT_NE(test::reported(missing.out, "error").find("Can't find dependent libraries"), std::string::npos)
        << missing.out;

    plantDependency();
    const test::CapturedRun planted = test::runCaptured(java, arguments, {.workingDirectory = downloads});
    EXPECT_EQ(test::reported(planted.out, "value"), "666") << planted.out << planted.err;
    EXPECT_TRUE(fs::exists(downloads / kPlantedMarker));
}

} // namespace
} // namespace launcher::realnative
