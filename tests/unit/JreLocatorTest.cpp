// The runtime search in its order: configured folder, beside the launcher,
// registered runtimes, JAVA_HOME.

#include "jre/JreLocator.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace launcher {
namespace {

// The first bytes of a library of the platform's format built for width;
// "library" for Unknown.
std::string libraryOf(LibraryWidth width) {
    if (width == LibraryWidth::Unknown) return "library";
    const bool x86 = width == LibraryWidth::X86;
    std::string bytes(0x200, '\0');
    if (kWindows) {
        bytes.replace(0, 2, "MZ");
        bytes[0x3C] = char(0x80);
        bytes.replace(0x80, 6, x86 ? std::string("PE\0\0\x4c\x01", 6) : std::string("PE\0\0\x64\x86", 6));
    } else {
        bytes.replace(0, 6, x86 ? "\x7f" "ELF\x01\x01" : "\x7f" "ELF\x02\x01");
        bytes[18] = x86 ? 3 : 62;
    }
    return bytes;
}

struct OneHomeRegistry : RuntimeRegistry {
    std::u16string home;
    explicit OneHomeRegistry(std::u16string h) : home(std::move(h)) {}
    TextList subkeyNames(size_t root) override { return root == 0 && !home.empty() ? TextList{u"17"} : TextList{}; }
    std::optional<std::u16string> javaHome(size_t, std::u16string_view) override { return home; }
};

class JreLocatorTest : public ::testing::Test {
protected:
    test::TempFolder root;
    test::EnvironmentOverride noJavaHome{u"JAVA_HOME", std::nullopt};
    RuntimeSearch search;
    std::u16string nativeHome, wow32Home;

    void SetUp() override {
        // The x64 launcher's search unless a test says otherwise, whichever
        // width this test program has.
        search.processWidth = LibraryWidth::X64;
        search.criteria.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
        search.criteria.jdkKind = search.criteria.jreKind = true;
        search.openRegistry = [this](RegistryView view) -> std::unique_ptr<RuntimeRegistry> {
            return std::make_unique<OneHomeRegistry>(view == RegistryView::Native ? nativeHome : wow32Home);
        };
    }

    // A runtime folder: the home marker and the libraries of the flavours.
    std::u16string runtime(std::u16string_view name, std::initializer_list<const char16_t*> flavours,
                           bool marker = true, LibraryWidth width = LibraryWidth::Unknown) {
        std::u16string home = withTrailingSeparator(root.text(name));
        if (marker) test::writeBytes(test::toPath(home + (kWindows ? u"bin\\java.dll" : u"lib/libjava.so")), "x");
        for (const char16_t* f : flavours) {
            test::writeBytes(test::toPath(jvmLibraryPath(home, f)), libraryOf(width));
        }
        return home;
    }
};

TEST_F(JreLocatorTest, SourcesInTheirOrder) {
    std::u16string configured = runtime(u"configured", {u"server"});
    std::u16string beside = runtime(u"app", {u"client"});
    nativeHome = runtime(u"registered", {u"client"});
    std::u16string javaHome = runtime(u"javahome", {u"client"});
    test::EnvironmentOverride variable(u"JAVA_HOME", javaHome);
    search.launcherFolder = beside;

    search.configuredFolder = configured.substr(0, configured.size() - 1); // no trailing separator
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(configured, u"server"));
    search.configuredFolder = root.text(u"nothing-here");
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(beside, u"client"));
    EXPECT_EQ(locateRuntime(search).version.groupCount, 0);
    search.launcherFolder = withTrailingSeparator(root.text(u"elsewhere"));
    // Only the registry tells a version; its key names it.
    RuntimeChoice registered = locateRuntime(search);
    EXPECT_EQ(registered.jvmPath, jvmLibraryPath(nativeHome, u"client"));
    EXPECT_EQ(featureRelease(registered.version), 17);
    nativeHome.clear();
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(javaHome, u"client"));
    test::EnvironmentOverride unset(u"JAVA_HOME", std::nullopt);
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
}

TEST_F(JreLocatorTest, BesideTheLauncherMeansItsFolderOrJre64) {
    std::u16string app = withTrailingSeparator(root.text(u"app"));
    const std::u16string sep(1, kPathSeparator);
    runtime(u"app" + sep + u"jre", {u"client"});
    search.launcherFolder = app;
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
    std::u16string jre64 = runtime(u"app" + sep + u"jre64", {u"client"});
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(jre64, u"client"));
}

TEST_F(JreLocatorTest, JavaHomeMustBeARuntimeHome) {
    std::u16string kit = runtime(u"kit", {u"server"}, false);
    test::EnvironmentOverride variable(u"JAVA_HOME", kit);
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
}

TEST_F(JreLocatorTest, ServerTypeNeedsTheServerLibrary) {
    search.configuredFolder = runtime(u"client-only", {u"client"});
    search.criteria.jvmType = JvmTypeCode::Server;
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
    search.criteria.jvmType = JvmTypeCode::Any;
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(search.configuredFolder, u"client"));
}

TEST_F(JreLocatorTest, A32BitRuntimeNeedsThePairedLauncher) {
    std::u16string x86 = runtime(u"x86", {u"server"}, true, LibraryWidth::X86);
    search.configuredFolder = x86;
    EXPECT_FALSE(locateRuntime(search).pairRelaunch);
    search.hasPair = true;
    RuntimeChoice choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, jvmLibraryPath(x86, u"server"));
    EXPECT_TRUE(choice.pairRelaunch);

    // The same runtime beside the launcher is never handed over.
    search.configuredFolder.clear();
    search.launcherFolder = x86;
    EXPECT_FALSE(locateRuntime(search).pairRelaunch);

    // A 64-bit configured runtime stays here even with a pair.
    search.configuredFolder = runtime(u"x64", {u"server"});
    EXPECT_FALSE(locateRuntime(search).pairRelaunch);
}

TEST_F(JreLocatorTest, The32BitViewOnlyWithAPair) {
    wow32Home = runtime(u"wow", {u"client"});
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
    search.hasPair = true;
    RuntimeChoice choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, jvmLibraryPath(wow32Home, u"client"));
    EXPECT_TRUE(choice.pairRelaunch);
    // The native view is asked first.
    nativeHome = runtime(u"native", {u"client"});
    choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, jvmLibraryPath(nativeHome, u"client"));
    EXPECT_FALSE(choice.pairRelaunch);
}

// The 32-bit launcher: its one registry view is the 32-bit one, it never
// hands over (its pair would hand a 32-bit runtime straight back), and it
// passes over 64-bit runtimes except a configured one, which it reports.
struct NarrowCase {
    const char* label;
    LibraryWidth configured, beside, native, javaHome; // Unknown: that source has nothing
    const char* expected;                               // the source chosen, "" for none
    bool tooWide;
};

void PrintTo(const NarrowCase& c, std::ostream* out) { *out << c.label; }

class NarrowProcess : public JreLocatorTest, public ::testing::WithParamInterface<NarrowCase> {};

TEST_P(NarrowProcess, ChoosesOnly32BitRuntimes) {
    const NarrowCase& c = GetParam();
    constexpr LibraryWidth none = LibraryWidth::Unknown;
    search.processWidth = LibraryWidth::X86;
    search.hasPair = true;
    std::optional<test::EnvironmentOverride> javaHomeVariable;
    std::map<std::string, std::u16string> homes;
    auto make = [&](const char* source, LibraryWidth width) {
        return homes[source] = runtime(fromUtf8(source), {u"client"}, true, width);
    };
    if (c.configured != none) search.configuredFolder = make("configured", c.configured);
    if (c.beside != none) search.launcherFolder = make("beside", c.beside);
    if (c.native != none) nativeHome = make("native", c.native);
    // Were the 32-bit view asked as a second pass, it would find this one.
    wow32Home = make("wow32", LibraryWidth::X86);
    if (c.javaHome != none) javaHomeVariable.emplace(u"JAVA_HOME", make("javaHome", c.javaHome));

    RuntimeChoice choice = locateRuntime(search);
    const std::string expected = c.expected;
    EXPECT_EQ(choice.jvmPath, expected.empty() ? u"" : jvmLibraryPath(homes[expected], u"client"));
    EXPECT_EQ(choice.tooWide, c.tooWide);
    EXPECT_FALSE(choice.pairRelaunch);
}

constexpr LibraryWidth kNone = LibraryWidth::Unknown, kX86 = LibraryWidth::X86, kX64 = LibraryWidth::X64;

INSTANTIATE_TEST_SUITE_P(
    Sources, NarrowProcess,
    ::testing::Values(NarrowCase{"Configured32BitLoadsHere", kX86, kNone, kNone, kNone, "configured", false},
                      NarrowCase{"Configured64BitIsReported", kX64, kX86, kX86, kX86, "configured", true},
                      NarrowCase{"Beside64BitIsPassedOver", kNone, kX64, kX86, kNone, "native", false},
                      NarrowCase{"Registered64BitIsPassedOver", kNone, kNone, kX64, kX86, "javaHome", false},
                      NarrowCase{"JavaHome64BitLeavesNothing", kNone, kNone, kNone, kX64, "", false},
                      NarrowCase{"NoSecondPassInThe32BitView", kNone, kNone, kNone, kNone, "", false}),
    [](const ::testing::TestParamInfo<NarrowCase>& info) { return info.param.label; });

TEST(NeedsPairRelaunch, OnlyThe64BitLauncherHandsOver) {
    test::TempFolder folder;
    const std::u16string x86 = folder.text(u"x86.lib"), x64 = folder.text(u"x64.lib");
    test::writeBytes(test::toPath(x86), libraryOf(LibraryWidth::X86));
    test::writeBytes(test::toPath(x64), libraryOf(LibraryWidth::X64));
    EXPECT_TRUE(needsPairRelaunch(true, x86, LibraryWidth::X64));
    EXPECT_FALSE(needsPairRelaunch(false, x86, LibraryWidth::X64));
    EXPECT_FALSE(needsPairRelaunch(true, x64, LibraryWidth::X64));
    EXPECT_FALSE(needsPairRelaunch(true, x86, LibraryWidth::X86));
    EXPECT_TRUE(libraryTooWide(LibraryWidth::X86, x64));
    EXPECT_FALSE(libraryTooWide(LibraryWidth::X86, x86));
    EXPECT_FALSE(libraryTooWide(LibraryWidth::X64, x64));
    EXPECT_FALSE(libraryTooWide(LibraryWidth::X86, folder.text(u"missing.lib")));
}

} // namespace
} // namespace launcher
