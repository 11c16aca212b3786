// The runtime search in its order: configured folder, beside the launcher,
// registered runtimes, JAVA_HOME.

#include "jre/JreLocator.h"
#include "base/Platform.h"
#include "base/Text.h"
#include "base/Trace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace launcher {
namespace {

namespace fs = std::filesystem;

// The first bytes of a library of the platform's format built for width.
std::string libraryOf(LibraryWidth width) {
    return test::libraryImage(width == LibraryWidth::X86 ? test::Machine::X86 : test::Machine::X64);
}

struct OneHomeRegistry : RuntimeRegistry {
    std::u16string home;
    LibraryWidth width;
    OneHomeRegistry(std::u16string h, LibraryWidth w) : home(std::move(h)), width(w) {}
    LibraryWidth viewWidth() const override { return width; }
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
        search.openRegistry = [this](RegistryView view, bool) -> std::unique_ptr<RuntimeRegistry> {
            // The view of the process the search stands for.
            const bool wow32 = view == RegistryView::Wow32 || search.processWidth == LibraryWidth::X86;
            return std::make_unique<OneHomeRegistry>(view == RegistryView::Native ? nativeHome : wow32Home,
                                                     wow32 ? LibraryWidth::X86 : LibraryWidth::X64);
        };
    }

    // A runtime folder: the home marker and the libraries of the flavours.
    std::u16string runtime(std::u16string_view name, std::initializer_list<const char16_t*> flavours,
                           bool marker = true, LibraryWidth width = LibraryWidth::X64) {
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
    wow32Home = runtime(u"wow", {u"client"}, true, LibraryWidth::X86);
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

// Each source with a runtime laid out as Java 8 leaves it, and with a
// library that this launcher cannot load. Only the configured folder takes
// whatever it holds: loading it then says what is wrong.
enum class Source { Configured, Beside, Registry, JavaHome };
enum class Layout { Jdk8, Jre8, Arm64, Text, Cut };

struct LayoutCase {
    const char* label;
    Source source;
    Layout layout;
    bool found;
    const char* traced; // part of the trace line of a library passed over
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.label; }

class SourceLayout : public JreLocatorTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(SourceLayout, IsFoundOrPassedOver) {
    const LayoutCase& c = GetParam();
    const bool jdk8 = c.layout == Layout::Jdk8;
    const std::u16string home = withTrailingSeparator(root.text(u"runtime"));
    // A development kit 8 keeps its runtime in jre; Linux names the machine.
    const std::u16string libs = (jdk8 ? test::nativePath(u"jre/") : u"") +
                                (kWindows ? u"bin\\" : c.layout == Layout::Jdk8 || c.layout == Layout::Jre8 ? u"lib/amd64/" : u"lib/");
    const std::u16string library = home + libs + (kWindows ? u"server\\jvm.dll" : u"server/libjvm.so");
    test::writeBytes(test::toPath(home + libs + (kWindows ? u"java.dll" : u"libjava.so")), "marker");
    const std::string bytes = c.layout == Layout::Arm64 ? test::libraryImage(test::Machine::Arm64)
                              : c.layout == Layout::Text ? std::string("a text file named like the library\n")
                              : c.layout == Layout::Cut  ? test::libraryImage(test::Machine::X64).substr(0, 16)
                                                         : test::libraryImage(test::Machine::X64);
    test::writeBytes(test::toPath(library), bytes);
    std::optional<test::EnvironmentOverride> javaHome;
    if (c.source == Source::Configured) search.configuredFolder = home;
    if (c.source == Source::Beside) search.launcherFolder = home;
    if (c.source == Source::Registry) nativeHome = home;
    if (c.source == Source::JavaHome) javaHome.emplace(u"JAVA_HOME", home);

    fs::path traceFile = root.path() / "trace.log";
    RuntimeChoice choice;
    {
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", traceFile.u16string());
        trace::enableFromEnvironment();
        choice = locateRuntime(search);
        trace::disable();
    }
    EXPECT_EQ(choice.jvmPath, c.found ? library : u"");
    const std::string traced = test::readBytes(traceFile);
    EXPECT_NE(traced.find(c.traced), std::string::npos) << traced;
}

constexpr const char* kNoImage = kWindows ? "is no library (no PE headers" : "is no library (no ELF headers";
const char* const kArm64 = kWindows ? "an ARM64 runtime, which this x64 launcher cannot load"
                                    : "an AArch64 runtime, which this x86-64 launcher cannot load";

INSTANTIATE_TEST_SUITE_P(
    Runtimes, SourceLayout,
    ::testing::Values(LayoutCase{"ConfiguredJdk8", Source::Configured, Layout::Jdk8, true, "chosen"},
                      LayoutCase{"BesideJre8", Source::Beside, Layout::Jre8, true, "chosen"},
                      LayoutCase{"RegisteredJdk8", Source::Registry, Layout::Jdk8, true, "usable"},
                      LayoutCase{"JavaHomeJdk8", Source::JavaHome, Layout::Jdk8, true, "chosen"},
                      LayoutCase{"JavaHomeJre8", Source::JavaHome, Layout::Jre8, true, "chosen"},
                      LayoutCase{"ConfiguredArm64IsTakenWithAWarning", Source::Configured, Layout::Arm64, true, kArm64},
                      LayoutCase{"BesideArm64", Source::Beside, Layout::Arm64, false, kArm64},
                      LayoutCase{"RegisteredArm64", Source::Registry, Layout::Arm64, false, kArm64},
                      LayoutCase{"JavaHomeArm64", Source::JavaHome, Layout::Arm64, false, kArm64},
                      LayoutCase{"RegisteredText", Source::Registry, Layout::Text, false, kNoImage},
                      LayoutCase{"JavaHomeText", Source::JavaHome, Layout::Text, false, kNoImage},
                      LayoutCase{"RegisteredCutShort", Source::Registry, Layout::Cut, false, "is cut short"},
                      LayoutCase{"BesideCutShort", Source::Beside, Layout::Cut, false, "is cut short"}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.label; });

// A runtime named outright is taken whatever its version; the trace still
// names that version, from the folder's release file.
struct NamedVersionCase {
    const char* label;
    Source source;
    const char* release; // the release file's text; null for none
    const char* traced;
};

void PrintTo(const NamedVersionCase& c, std::ostream* out) { *out << c.label; }

class NamedFolderVersion : public JreLocatorTest, public ::testing::WithParamInterface<NamedVersionCase> {};

TEST_P(NamedFolderVersion, IsTraced) {
    const NamedVersionCase& c = GetParam();
    const std::u16string home = runtime(u"named", {u"server"});
    if (c.release) test::writeBytes(test::toPath(home + u"release"), c.release);
    std::optional<test::EnvironmentOverride> javaHome;
    if (c.source == Source::Configured) search.configuredFolder = home;
    if (c.source == Source::Beside) search.launcherFolder = home;
    if (c.source == Source::JavaHome) javaHome.emplace(u"JAVA_HOME", home);

    fs::path traceFile = root.path() / "trace.log";
    {
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", traceFile.u16string());
        trace::enableFromEnvironment();
        EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(home, u"server"));
        trace::disable();
    }
    const std::string traced = test::readBytes(traceFile);
    EXPECT_NE(traced.find(toUtf8(home) + ": chosen, server library, version " + c.traced), std::string::npos)
        << traced;
}

INSTANTIATE_TEST_SUITE_P(
    Runtimes, NamedFolderVersion,
    ::testing::Values(
        NamedVersionCase{"Configured", Source::Configured, "JAVA_VERSION=\"11.0.2\"\n", "11.0.2"},
        NamedVersionCase{"Beside", Source::Beside, "IMPLEMENTOR=\"Azul\"\nJAVA_VERSION=\"17.0.9\"\n", "17.0.9"},
        NamedVersionCase{"JavaHome", Source::JavaHome, "JAVA_VERSION=\"1.8.0_392\"\n", "1.8.0_392"},
        NamedVersionCase{"WithoutReleaseFile", Source::JavaHome, nullptr, "unknown (no release file names it)"}),
    [](const ::testing::TestParamInfo<NamedVersionCase>& info) { return info.param.label; });

TEST_F(JreLocatorTest, UserSourcesCanBeLeftOut) {
    nativeHome = runtime(u"registered", {u"server"});
    std::u16string javaHome = runtime(u"javahome", {u"server"});
    test::EnvironmentOverride variable(u"JAVA_HOME", javaHome);
    bool userSources = false;
    search.openRegistry = [&](RegistryView, bool includeUser) -> std::unique_ptr<RuntimeRegistry> {
        userSources = includeUser;
        return std::make_unique<OneHomeRegistry>(u"", LibraryWidth::X64);
    };
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(javaHome, u"server"));
    EXPECT_TRUE(userSources);
    search.criteria.includeUserSources = false;
    EXPECT_EQ(locateRuntime(search).jvmPath, u"");
    EXPECT_FALSE(userSources);
}

// The pinned runtime: right after "JRE Path", before every other source,
// and only when it is whole, of the launcher's width, and the user's own
// sources count.
struct PinnedCase {
    const char* label;
    bool configured;       // "JRE Path" holds a runtime too
    bool installed;        // the pinned folder exists
    LibraryWidth width;    // of its library, in the x64 launcher
    bool library;          // the folder holds a library at all
    bool userSources;
    const char* winner;    // "configured", "pinned" or "beside"
};

class PinnedRuntime : public JreLocatorTest, public ::testing::WithParamInterface<PinnedCase> {};

TEST_P(PinnedRuntime, TakesItsPlaceInTheOrder) {
    const PinnedCase& c = GetParam();
    std::u16string beside = runtime(u"beside", {u"server"});
    search.launcherFolder = beside;
    search.hasPair = true; // a 32-bit pinned runtime is still no find
    nativeHome = runtime(u"registered", {u"server"});
    if (c.configured) search.configuredFolder = runtime(u"configured", {u"server"});
    search.pinnedFolder = withTrailingSeparator(root.text(u"pinned"));
    if (c.installed) runtime(u"pinned", c.library ? std::initializer_list<const char16_t*>{u"server"}
                                                  : std::initializer_list<const char16_t*>{}, true, c.width);
    search.criteria.includeUserSources = c.userSources;
    std::u16string winner = std::string_view(c.winner) == "configured" ? search.configuredFolder
                            : std::string_view(c.winner) == "pinned"   ? search.pinnedFolder
                                                                       : beside;
    RuntimeChoice choice = locateRuntime(search);
    EXPECT_EQ(choice.jvmPath, jvmLibraryPath(withTrailingSeparator(winner), u"server"));
    EXPECT_FALSE(choice.pairRelaunch);
}

constexpr LibraryWidth kWide = LibraryWidth::X64;
INSTANTIATE_TEST_SUITE_P(
    Rows, PinnedRuntime,
    ::testing::Values(PinnedCase{"BeforeBesideTheLauncherAndTheRegistry", false, true, kWide, true, true, "pinned"},
                      PinnedCase{"AfterJrePath", true, true, kWide, true, true, "configured"},
                      PinnedCase{"NotInstalled", false, false, kWide, true, true, "beside"},
                      PinnedCase{"WithoutALibrary", false, true, kWide, false, true, "beside"},
                      PinnedCase{"Of32BitsInThe64BitLauncher", false, true, LibraryWidth::X86, true, true, "beside"},
                      PinnedCase{"LeftOutWithoutTheUsersSources", false, true, kWide, true, false, "beside"}),
    [](const ::testing::TestParamInfo<PinnedCase>& info) { return info.param.label; });

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
