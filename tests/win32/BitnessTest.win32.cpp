// The bitness test on real files: which runtime libraries this 64-bit
// launcher hands to its 32-bit pair, and that broken files are never read
// beyond their end.

#include "base/ModulePath.h"
#include "jre/Bitness.h"
#include "jre/JreLocator.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace launcher {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr size_t kNtHeadersField = 0x3C;

void put(std::string& bytes, size_t offset, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// A PE image reduced to its headers: the DOS header pointing at the NT
// headers, the file header naming the machine, and an empty optional header
// of the 32-bit layout.
std::string peImage(uint16_t machine, uint32_t ntOffset = 0x80) {
    constexpr size_t kOptionalHeaderSize = 0xE0;
    std::string bytes(ntOffset + 4 + 20 + kOptionalHeaderSize, '\0');
    put(bytes, 0, 0x5A4D, 2);
    put(bytes, kNtHeadersField, ntOffset, 4);
    put(bytes, ntOffset, 0x00004550, 4);
    put(bytes, ntOffset + 4, machine, 2);
    put(bytes, ntOffset + 20, kOptionalHeaderSize, 2);
    put(bytes, ntOffset + 22, 0x2102, 2); // executable, 32-bit words, DLL
    put(bytes, ntOffset + 24, 0x010B, 2);
    return bytes;
}

fs::path thisProgram() {
    std::u16string path;
    EXPECT_EQ(readModulePath(path), 0u);
    return test::toPath(path);
}

// This program's own image with its machine field rewritten: a whole,
// real PE file that names the i386 machine.
std::string thisProgramAs(uint16_t machine) {
    std::string bytes = test::readBytes(thisProgram());
    size_t ntOffset = 0;
    EXPECT_TRUE(peHeadersInside(bytes, ntOffset));
    put(bytes, ntOffset + 4, machine, 2);
    return bytes;
}

struct FileCase {
    const char* label;
    // Writes the file into the folder and returns its path.
    std::function<fs::path(const fs::path& folder)> make;
    bool x86;
};

fs::path written(const fs::path& folder, std::string_view bytes) {
    fs::path file = folder / "jvm.dll";
    test::writeBytes(file, bytes);
    return file;
}

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.label; }

class IsX86Library : public testing::TestWithParam<FileCase> {};

TEST_P(IsX86Library, ReadsTheMachineOfTheHeaders) {
    test::TempFolder folder;
    fs::path file = GetParam().make(folder.path());
    EXPECT_EQ(isX86Library(file.u16string()), GetParam().x86);
    if (fs::is_regular_file(file) && GetParam().label == std::string_view("WholeAmd64Image")) {
        EXPECT_EQ(libraryWidth(file.u16string()), LibraryWidth::X64);
        EXPECT_TRUE(libraryTooWide(LibraryWidth::X86, file.u16string()));
    }
    // The file is released again: it can be replaced at once.
    if (fs::is_regular_file(file) && file.parent_path() == folder.path()) {
        std::error_code error;
        EXPECT_TRUE(fs::remove(file, error)) << error.message();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, IsX86Library,
    testing::Values(
        FileCase{"I386Headers", [](const fs::path& f) { return written(f, peImage(kMachineI386)); }, true},
        FileCase{"WholeI386Image", [](const fs::path& f) { return written(f, thisProgramAs(kMachineI386)); }, true},
        FileCase{"ThisProgram", [](const fs::path&) { return thisProgram(); }, kProcessWidth == LibraryWidth::X86},
        FileCase{"WholeAmd64Image", [](const fs::path& f) { return written(f, thisProgramAs(kMachineAmd64)); }, false},
        FileCase{"Amd64Headers", [](const fs::path& f) { return written(f, peImage(kMachineAmd64)); }, false},
        FileCase{"CutAfterSignature",
                 [](const fs::path& f) { return written(f, peImage(kMachineI386).substr(0, 0x80 + 4)); }, false},
        FileCase{"DosHeaderOnly", [](const fs::path& f) { return written(f, peImage(kMachineI386).substr(0, 64)); },
                 false},
        FileCase{"CutInsideDosHeader",
                 [](const fs::path& f) { return written(f, peImage(kMachineI386).substr(0, 0x3E)); }, false},
        FileCase{"HeadersOffsetPastTheEnd",
                 [](const fs::path& f) { return written(f, peImage(kMachineI386, 0x10000).substr(0, 0x200)); },
                 false},
        FileCase{"HeadersOffsetNearFourGigabytes",
                 [](const fs::path& f) {
                     std::string bytes = peImage(kMachineI386);
                     put(bytes, kNtHeadersField, 0xFFFFFFF0u, 4);
                     return written(f, bytes);
                 },
                 false},
        FileCase{"NoNtSignature",
                 [](const fs::path& f) {
                     std::string bytes = peImage(kMachineI386);
                     put(bytes, 0x80, 0x454E, 4); // "NE": a 16-bit image
                     return written(f, bytes);
                 },
                 false},
        FileCase{"NotAnImage", [](const fs::path& f) { return written(f, std::string(512, 'L')); }, false},
        FileCase{"EmptyFile", [](const fs::path& f) { return written(f, ""); }, false},
        FileCase{"MissingFile", [](const fs::path& f) { return f / "jvm.dll"; }, false},
        FileCase{"Folder", [](const fs::path& f) { return f; }, false}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.label; });

// No registered runtimes: only the folders of the search itself count.
class NoRegistry : public RuntimeRegistry {
public:
    TextList subkeyNames(size_t) override { return {}; }
    std::optional<std::u16string> javaHome(size_t, std::u16string_view) override { return std::nullopt; }
};

enum class Source { ConfiguredFolder, BesideLauncher, Jre64BesideLauncher, JavaHome };

struct RelaunchCase {
    const char* label;
    Source source;
    bool hasPair;
    uint16_t machine;
    bool relaunch;
};

void PrintTo(const RelaunchCase& c, std::ostream* out) { *out << c.label; }

class PairRelaunch : public testing::TestWithParam<RelaunchCase> {};

// The bitness test runs for the configured folder and JAVA_HOME; a runtime
// shipped beside the launcher is the launcher's own and never relaunches.
TEST_P(PairRelaunch, FollowsTheSourceAndTheLibrary) {
    const RelaunchCase& c = GetParam();
    test::TempFolder folder;
    fs::path launcherFolder = folder.path() / "app";
    fs::create_directories(launcherFolder);
    fs::path home = folder.path() / "runtime";
    if (c.source == Source::BesideLauncher) home = launcherFolder;
    if (c.source == Source::Jre64BesideLauncher) home = launcherFolder / "jre64";
    test::writeBytes(home / "bin" / "java.dll", "marker");
    test::writeBytes(home / "bin" / "server" / "jvm.dll", peImage(c.machine));
    const std::u16string library = home.u16string() + u"\\bin\\server\\jvm.dll";

    RuntimeSearch search;
    search.criteria.minimumVersion = makeVersion(30, 0, 0, 0);
    search.criteria.jvmType = JvmTypeCode::Server;
    search.launcherFolder = launcherFolder.u16string() + u"\\";
    if (c.source == Source::ConfiguredFolder) search.configuredFolder = home.u16string();
    search.hasPair = c.hasPair;
    search.processWidth = LibraryWidth::X64; // the x64 launcher's search, whatever this program's width
    search.openRegistry = [](RegistryView, bool) -> std::unique_ptr<RuntimeRegistry> {
        return std::make_unique<NoRegistry>();
    };
    test::EnvironmentOverride javaHome(u"JAVA_HOME", c.source == Source::JavaHome ? home.u16string() : u"");

    RuntimeChoice choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, library);
    EXPECT_EQ(choice.pairRelaunch, c.relaunch);
    EXPECT_EQ(needsPairRelaunch(c.hasPair, library, LibraryWidth::X64), c.hasPair && c.machine == kMachineI386);
    EXPECT_FALSE(needsPairRelaunch(c.hasPair, library, LibraryWidth::X86));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, PairRelaunch,
    testing::Values(RelaunchCase{"ConfiguredX86WithPair", Source::ConfiguredFolder, true, kMachineI386, true},
                    RelaunchCase{"ConfiguredX86WithoutPair", Source::ConfiguredFolder, false, kMachineI386, false},
                    RelaunchCase{"ConfiguredX64WithPair", Source::ConfiguredFolder, true, kMachineAmd64, false},
                    RelaunchCase{"JavaHomeX86WithPair", Source::JavaHome, true, kMachineI386, true},
                    RelaunchCase{"JavaHomeX86WithoutPair", Source::JavaHome, false, kMachineI386, false},
                    RelaunchCase{"BesideX86WithPair", Source::BesideLauncher, true, kMachineI386, false},
                    RelaunchCase{"Jre64X86WithPair", Source::Jre64BesideLauncher, true, kMachineI386, false}),
    [](const testing::TestParamInfo<RelaunchCase>& info) { return info.param.label; });

} // namespace
} // namespace launcher
