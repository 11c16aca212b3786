// The runtime search in its order: configured folder, beside the launcher,
// registered runtimes, JAVA_HOME.

#include "jre/JreLocator.h"
#include "base/Platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// The first bytes of a 32-bit x86 library of the platform's format.
std::string x86Library() {
    std::string bytes(0x200, '\0');
    if (kWindows) {
        bytes.replace(0, 2, "MZ");
        bytes[0x3C] = char(0x80);
        bytes.replace(0x80, 6, std::string("PE\0\0\x4c\x01", 6));
    } else {
        bytes.replace(0, 6, "\x7f" "ELF\x01\x01");
        bytes[18] = 3;
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
        search.criteria.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
        search.criteria.jdkKind = search.criteria.jreKind = true;
        search.openRegistry = [this](RegistryView view) -> std::unique_ptr<RuntimeRegistry> {
            return std::make_unique<OneHomeRegistry>(view == RegistryView::Native ? nativeHome : wow32Home);
        };
    }

    // A runtime folder: the home marker and the libraries of the flavours.
    std::u16string runtime(std::u16string_view name, std::initializer_list<const char16_t*> flavours,
                           bool marker = true, bool x86 = false) {
        std::u16string home = withTrailingSeparator(root.text(name));
        if (marker) test::writeBytes(test::toPath(home + (kWindows ? u"bin\\java.dll" : u"lib/libjava.so")), "x");
        for (const char16_t* f : flavours) {
            test::writeBytes(test::toPath(jvmLibraryPath(home, f)), x86 ? x86Library() : std::string("library"));
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
    search.launcherFolder = withTrailingSeparator(root.text(u"elsewhere"));
    EXPECT_EQ(locateRuntime(search).jvmPath, jvmLibraryPath(nativeHome, u"client"));
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
    std::u16string x86 = runtime(u"x86", {u"server"}, true, true);
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

} // namespace
} // namespace launcher
