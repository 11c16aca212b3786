// Runtimes found in folders: what their release files say, which folders
// are looked in, and which subfolders count as runtimes.

#include "base/Platform.h"
#include "jre/RuntimeFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

TEST(FolderRegistry, ReleaseValues) {
    const std::string_view text = "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"21.0.2\"\r\nJAVA_VERSION_DATE=x\n";
    EXPECT_EQ(releaseValue(text, "JAVA_VERSION"), u"21.0.2");
    EXPECT_EQ(releaseValue(text, "IMPLEMENTOR"), u"Eclipse Adoptium");
    EXPECT_EQ(releaseValue(text, "JAVA"), u"");
    EXPECT_EQ(releaseValue("JAVA_VERSION=1.8.0_372", "JAVA_VERSION"), u"1.8.0_372");
    EXPECT_EQ(releaseValue("", "JAVA_VERSION"), u"");
}

TEST(FolderRegistry, RootAndVendorFromTheReleaseFile) {
    struct Case {
        bool isJdk;
        std::u16string_view implementor, variant;
        size_t root;
        RuntimeVendor vendor;
    } cases[] = {
        {true, u"Debian", u"", 0, RuntimeVendor::Sun},
        {false, u"Oracle Corporation", u"", 1, RuntimeVendor::Sun},
        {false, u"BEA Systems (JRockit)", u"", 4, RuntimeVendor::JRockit},
        {true, u"International Business Machines Corporation (IBM)", u"", 6, RuntimeVendor::Ibm},
        {true, u"Eclipse OpenJ9", u"", 6, RuntimeVendor::Ibm},
        {true, u"Eclipse Adoptium", u"Server", 0, RuntimeVendor::Sun},
        {false, u"", u"", 1, RuntimeVendor::Sun},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(rootForRuntime(k.isJdk, k.implementor), k.root) << toUtf8(k.implementor);
        EXPECT_EQ(vendorForRuntime(k.implementor, k.variant), k.vendor) << toUtf8(k.implementor);
    }
    EXPECT_EQ(vendorForRuntime(u"IBM Corporation", u""), RuntimeVendor::Ibm);
    EXPECT_EQ(vendorForRuntime(u"Eclipse Adoptium", u"OpenJ9"), RuntimeVendor::Ibm);
}

TEST(FolderRegistry, FoldersSearchedFromTheEnvironment) {
    FolderEnvironment env;
    env.programFiles = u"C:\\Program Files";
    env.programFilesX86 = u"C:\\Program Files (x86)";
    env.localAppData = u"C:\\Users\\ann\\AppData\\Local";
    env.userProfile = u"C:\\Users\\ann";
    env.home = u"/home/ann";
    const std::u16string sep(1, kPathSeparator);
    TextList native = windowsRuntimeFolders(env, false);
    ASSERT_EQ(native.size(), 23u);
    EXPECT_EQ(native[0], u"C:\\Program Files" + sep + u"Java");
    EXPECT_EQ(native[7], u"C:\\Program Files" + sep + u"Amazon Corretto");
    EXPECT_EQ(native[10], u"C:\\Program Files" + sep + u"RedHat");
    EXPECT_EQ(native[11], u"C:\\Users\\ann\\AppData\\Local" + sep + u"Programs" + sep + u"Java");
    EXPECT_EQ(native[22], u"C:\\Users\\ann" + sep + u".jdks");
    TextList wow32 = windowsRuntimeFolders(env, true);
    ASSERT_EQ(wow32.size(), 11u);
    EXPECT_EQ(wow32[1], u"C:\\Program Files (x86)" + sep + u"Eclipse Adoptium");

    TextList posix = posixRuntimeFolders(env);
    ASSERT_EQ(posix.size(), 8u);
    EXPECT_EQ(posix[0], u"/usr/lib/jvm");
    EXPECT_EQ(posix[5], u"/home/ann" + sep + u".sdkman/candidates/java");
    EXPECT_EQ(posix[7], u"/home/ann" + sep + u".asdf/installs/java");

    // Variables that are not set, or empty, add nothing; nor does a
    // relative HOME.
    FolderEnvironment unset;
    unset.userProfile = u"";
    unset.home = u"relative";
    EXPECT_EQ(windowsRuntimeFolders(unset, false), TextList());
    EXPECT_EQ(windowsRuntimeFolders(unset, true), TextList());
    EXPECT_EQ(posixRuntimeFolders(unset).size(), 5u);
}

TEST(FolderRegistry, OnlyFoldersWithAReleaseVersionAreRuntimes) {
    test::TempFolder base;
    const std::u16string sep(1, kPathSeparator);
    auto file = [&](const std::string& relative, std::string_view text) { test::writeBytes(base.path() / relative, text); };
    file("b-jdk/release", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"21.0.2\"\n");
    file(kWindows ? "b-jdk/bin/javac.exe" : "b-jdk/bin/javac", "");
    file("a-jre/release", "JAVA_VERSION=\"17.0.9\"\nIMPLEMENTOR=\"IBM Corporation\"\n");
    file("c-wrong-compiler/release", "JAVA_VERSION=\"11\"\n");
    file(kWindows ? "c-wrong-compiler/bin/javac" : "c-wrong-compiler/bin/javac.exe", "");
    file("no-release/bin/java.dll", "");
    file("empty-release/release", "");
    file("no-version/release", "IMPLEMENTOR=x\n");
    file("huge-release/release", "JAVA_VERSION=\"99\"\n" + std::string(kReleaseFileLimit, '#'));
    file("release-is-folder/release/x", "");
    file("plain-file", "JAVA_VERSION=\"99\"\n");

    std::vector<FolderRuntime> found = scanRuntimeFolders({base.text(u"missing"), base.text()});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].home, base.text() + sep + u"a-jre" + sep);
    EXPECT_EQ(found[0].version, u"17.0.9");
    EXPECT_EQ(found[0].kind, RuntimeKind::Jre);
    EXPECT_EQ(found[0].vendor, RuntimeVendor::Ibm);
    EXPECT_EQ(found[1].home, base.text() + sep + u"b-jdk" + sep);
    EXPECT_EQ(found[1].kind, RuntimeKind::Jdk);
    EXPECT_EQ(found[1].vendor, RuntimeVendor::Sun);
    EXPECT_EQ(found[1].root, 0u);
    EXPECT_EQ(found[2].kind, RuntimeKind::Jre);

    // A release file exactly at the limit is still read.
    file("huge-release/release", "JAVA_VERSION=\"99\"\n" + std::string(kReleaseFileLimit - 18, '#'));
    EXPECT_EQ(releaseVersion(base.text() + sep + u"huge-release"), u"99");
}

TEST(FolderRegistry, PresentFoldersKeepTheirOrder) {
    test::TempFolder base;
    const std::u16string sep(1, kPathSeparator);
    test::writeBytes(base.path() / "Zulu" / "x", "");
    test::writeBytes(base.path() / "Java" / "x", "");
    test::writeBytes(base.path() / "plain", "");
    auto at = [&](std::u16string_view name) { return base.text() + sep + std::u16string(name); };
    // Windows names folders without regard to case; Linux does not.
    TextList expected = {at(u"Zulu"), at(u"Java")};
    if (kWindows) expected.push_back(at(u"JAVA"));
    EXPECT_EQ(presentFolders({at(u"Zulu"), at(u"missing"), at(u"plain"), at(u"Java"), at(u"JAVA"),
                              at(u"missing") + sep + u"deeper", u"relative"}),
              expected);
}

} // namespace
} // namespace launcher
