// The Windows launchers of a cross build read back from their files, for a
// build whose programs cannot run on this machine (ARM64): the machine they
// were built for, their subsystems, what they load at start, the
// architecture their manifest names (Windows refuses an executable whose
// manifest names another), and the version information and icons that the
// shell and packaging read. LAUNCHER_IMAGE_BIN names the build's program
// folder and LAUNCHER_IMAGE_ARCH its manifest architecture (arm64, amd64 or
// x86); without them the suite skips.

#include "IconFile.h"
#include "ResourceTree.h"
#include "VersionInfo.h"
#include "support/PeImports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace launcher {
namespace {

namespace fs = std::filesystem;
using pack::Bytes;

constexpr uint16_t kRtManifest = 24;
constexpr uint16_t kSubsystemGui = 2;
constexpr uint16_t kSubsystemConsole = 3;

struct Architecture {
    const char* manifestName;
    uint16_t machine;
};
constexpr Architecture kArchitectures[] = {{"arm64", 0xAA64}, {"amd64", 0x8664}, {"x86", 0x014C}};

struct ImageCase {
    const char* file; // under the program folder
    uint16_t subsystem;
};
void PrintTo(const ImageCase& c, std::ostream* out) { *out << c.file; }

Bytes readImageFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The processor architecture of the manifest's own identity: the first
// assemblyIdentity element (those of its dependencies come later).
std::string manifestArchitecture(const std::string& manifest) {
    size_t element = manifest.find("<assemblyIdentity");
    if (element == std::string::npos) return "";
    size_t end = manifest.find('>', element);
    const std::string key = "processorArchitecture=\"";
    size_t at = manifest.find(key, element);
    if (at == std::string::npos || at > end) return "";
    at += key.size();
    return manifest.substr(at, manifest.find('"', at) - at);
}

const pack::Resource* findResource(const pack::ResourceList& resources, uint16_t type) {
    for (const pack::Resource& resource : resources) {
        if (resource.type.text.empty() && resource.type.id == type) return &resource;
    }
    return nullptr;
}

class ProductImage : public ::testing::TestWithParam<ImageCase> {
protected:
    fs::path folder;
    const Architecture* architecture = nullptr;
    pack::PeImage image;
    pack::ResourceList resources;

    void SetUp() override {
        const char* bin = std::getenv("LAUNCHER_IMAGE_BIN");
        const char* arch = std::getenv("LAUNCHER_IMAGE_ARCH");
        if (!bin || !arch) GTEST_SKIP() << "LAUNCHER_IMAGE_BIN and LAUNCHER_IMAGE_ARCH name no build to read";
        for (const Architecture& known : kArchitectures) {
            if (std::string(arch) == known.manifestName) architecture = &known;
        }
        ASSERT_NE(architecture, nullptr) << "unknown architecture " << arch;
        folder = bin;
        fs::path file = folder / GetParam().file;
        ASSERT_TRUE(fs::exists(file)) << file;
        image = pack::readPeImage(readImageFile(file));
        resources = pack::readResources(image);
    }
    // The optional header's Subsystem field, at the same place in PE32
    // and PE32+.
    uint16_t subsystem() const {
        return static_cast<uint16_t>(image.file.at(image.optionalOffset + 68) |
                                     image.file.at(image.optionalOffset + 69) << 8);
    }
};

TEST_P(ProductImage, BuiltForTheTargetMachine) {
    EXPECT_EQ(image.machine, architecture->machine) << std::hex << image.machine;
    EXPECT_TRUE(image.pe32Plus || architecture->machine == 0x014C);
}

TEST_P(ProductImage, SubsystemOfItsVariant) { EXPECT_EQ(subsystem(), GetParam().subsystem); }

TEST_P(ProductImage, LoadsOnlySystemLibrariesAndTheCRuntime) {
    std::string bytes(image.file.begin(), image.file.end());
    std::optional<std::vector<std::string>> libraries = test::importedLibraries(bytes);
    ASSERT_TRUE(libraries.has_value());
    // An empty list would mean the table was not found rather than lean.
    ASSERT_FALSE(libraries->empty());
    for (const std::string& library : *libraries) EXPECT_TRUE(test::isStartupLibrary(library)) << library;
}

TEST_P(ProductImage, ManifestNamesTheTargetArchitecture) {
    const pack::Resource* manifest = findResource(resources, kRtManifest);
    ASSERT_NE(manifest, nullptr);
    EXPECT_EQ(manifest->name.id, 1); // the one the loader reads for a process
    EXPECT_EQ(manifestArchitecture(std::string(manifest->data.begin(), manifest->data.end())),
              architecture->manifestName);
}

TEST_P(ProductImage, CarriesVersionInformationAndIcons) {
    const pack::Resource* version = findResource(resources, pack::kRtVersion);
    ASSERT_NE(version, nullptr);
    pack::VersionInfo info = pack::readVersionInfo(version->data);
    EXPECT_EQ(pack::versionText(info.fileVersion), "1.0.0.0");
    bool described = false;
    for (const auto& [key, value] : info.strings) described |= key == u"FileDescription" && !value.empty();
    EXPECT_TRUE(described);
    std::vector<std::string> sizes = pack::iconSizes(resources);
    EXPECT_FALSE(sizes.empty());
}

TEST_P(ProductImage, StrippedWithItsDebugFileBeside) {
    // The COFF header's symbol count: none in a stripped image. (Its
    // pointer may still be set: the string table that holds the long name
    // of the debug link's section follows the empty symbol table.)
    const size_t count = image.coffOffset + 12;
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(image.file.at(count + i), 0) << "symbol count byte " << i;
    const std::string debugName = std::string(GetParam().file) + ".debug";
    EXPECT_TRUE(fs::exists(folder / debugName));
    std::string bytes(image.file.begin(), image.file.end());
    EXPECT_NE(bytes.find(debugName), std::string::npos) << "no link to " << debugName;
}

INSTANTIATE_TEST_SUITE_P(Launchers, ProductImage,
                         ::testing::Values(ImageCase{"launcher.exe", kSubsystemGui},
                                           ImageCase{"launcher-console.exe", kSubsystemConsole}),
                         [](const auto& info) { return std::string(info.index == 0 ? "Gui" : "Console"); });

TEST(StandinImage, RuntimeLibraryBuiltForTheTargetMachine) {
    const char* bin = std::getenv("LAUNCHER_IMAGE_BIN");
    const char* arch = std::getenv("LAUNCHER_IMAGE_ARCH");
    if (!bin || !arch) GTEST_SKIP() << "LAUNCHER_IMAGE_BIN and LAUNCHER_IMAGE_ARCH name no build to read";
    fs::path dll = fs::path(bin).parent_path() / "standin" / "standard" / "bin" / "server" / "jvm.dll";
    ASSERT_TRUE(fs::exists(dll)) << dll;
    pack::PeImage library = pack::readPeImage(readImageFile(dll));
    for (const Architecture& known : kArchitectures) {
        if (std::string(arch) == known.manifestName) {
            EXPECT_EQ(library.machine, known.machine) << std::hex << library.machine;
        }
    }
}

TEST(ManifestText, ArchitectureOfTheOwnIdentityOnly) {
    const std::string dependencyFirst =
        "<assembly><assemblyIdentity name=\"A\" version=\"1.0.0.0\"/>"
        "<dependency><assemblyIdentity processorArchitecture=\"*\"/></dependency></assembly>";
    EXPECT_EQ(manifestArchitecture(dependencyFirst), "");
    EXPECT_EQ(manifestArchitecture("<assemblyIdentity type=\"win32\" processorArchitecture=\"arm64\"/>"), "arm64");
    EXPECT_EQ(manifestArchitecture("no manifest"), "");
}

} // namespace
} // namespace launcher
