// The Linux port's registered runtimes: runtime folders with a release file,
// presented as registry roots.

#include "jre/FolderRegistry.posix.h"
#include "jre/JreLocator.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(FolderRegistry, LinksComeAfterRealFolders) {
    test::TempFolder base;
    auto file = [&](const char* relative, std::string_view text) { test::writeBytes(base.path() / relative, text); };
    file("jdk-21/release", "JAVA_VERSION=\"21.0.2\"\n");
    file("jdk-21/bin/javac", "");
    file("jre-11/release", "JAVA_VERSION=\"11.0.9\"\nIMPLEMENTOR=\"IBM\"\n");
    file("no-release/lib/server/libjvm.so", "");
    file("no-version/release", "IMPLEMENTOR=x\n");
    file("plain-file", "");
    std::filesystem::create_directory_symlink(base.path() / "jdk-21", base.path() / "a-link");
    // Links that loop or lead nowhere are no runtimes, and no hang.
    std::filesystem::create_directory_symlink(base.path() / "loop", base.path() / "loop");
    std::filesystem::create_directory_symlink(base.path() / "gone", base.path() / "dangling");

    std::vector<FolderRuntime> found = scanRuntimeFolders({base.text()});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].home, base.text(u"jdk-21/"));
    EXPECT_EQ(found[0].root, 0u);
    EXPECT_EQ(found[1].version, u"11.0.9");
    EXPECT_EQ(found[1].root, 6u);
    EXPECT_EQ(found[2].home, base.text(u"a-link/")); // links after real folders

    auto registry = openFolderRegistry({base.text(), base.text(u"missing")});
    EXPECT_EQ(registry->subkeyNames(0), TextList{u"21.0.2"});
    EXPECT_EQ(registry->javaHome(0, u"21.0.2"), base.text(u"jdk-21/"));
}

TEST(FolderRegistry, WithoutConfigurationTheInstalledRuntimeIsFound) {
    RuntimeSearch search;
    search.criteria.maximumVersion = makeVersion(65535, 65535, 65535, 65535);
    search.criteria.jdkKind = search.criteria.jreKind = true;
    RuntimeChoice choice = locateRuntime(search);
    ASSERT_FALSE(choice.jvmPath.empty()) << "no Java runtime under /usr/lib/jvm";
    EXPECT_TRUE(startsWith(choice.jvmPath, u"/usr/lib/jvm/"));
    EXPECT_TRUE(endsWith(choice.jvmPath, u"/lib/server/libjvm.so"));
    EXPECT_FALSE(choice.pairRelaunch);
}

} // namespace
} // namespace launcher
