// Runtimes found in folders: what their release files say, which folders
// are looked in, and which subfolders count as runtimes.

#include "base/Platform.h"
#include "base/Trace.h"
#include "jre/RuntimeFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        // AdoptOpenJDK's and Semeru's OpenJ9 builds name the variant only.
        {true, u"AdoptOpenJDK", u"Openj9", 6, RuntimeVendor::Ibm},
        {false, u"", u"", 1, RuntimeVendor::Sun},
    };
    for (const Case& k : cases) {
        RuntimeVendor vendor = vendorForRuntime(k.implementor, k.variant);
        EXPECT_EQ(vendor, k.vendor) << toUtf8(k.implementor);
        EXPECT_EQ(rootForRuntime(k.isJdk, vendor), k.root) << toUtf8(k.implementor);
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
    ASSERT_EQ(native.size(), 30u);
    EXPECT_EQ(native[0], u"C:\\Program Files" + sep + u"Java");
    EXPECT_EQ(native[7], u"C:\\Program Files" + sep + u"Amazon Corretto");
    EXPECT_EQ(native[10], u"C:\\Program Files" + sep + u"RedHat");
    EXPECT_EQ(native[11], u"C:\\Program Files" + sep + u"SapMachine\\JDK");
    EXPECT_EQ(native[13], u"C:\\Program Files" + sep + u"Android\\openjdk");
    EXPECT_EQ(native[14], u"C:\\Users\\ann\\AppData\\Local" + sep + u"Programs" + sep + u"Java");
    EXPECT_EQ(native[28], u"C:\\Users\\ann" + sep + u".jdks");
    EXPECT_EQ(native[29], u"C:\\Users\\ann" + sep + u".gradle\\jdks");
    // The user's folders serve both widths.
    TextList wow32 = windowsRuntimeFolders(env, true);
    ASSERT_EQ(wow32.size(), 30u);
    EXPECT_EQ(wow32[1], u"C:\\Program Files (x86)" + sep + u"Eclipse Adoptium");
    EXPECT_EQ(wow32[14], native[14]);

    TextList posix = posixRuntimeFolders(env);
    ASSERT_EQ(posix.size(), 10u);
    EXPECT_EQ(posix[0], u"/usr/lib/jvm");
    EXPECT_EQ(posix[5], u"/home/ann" + sep + u".sdkman/candidates/java");
    EXPECT_EQ(posix[7], u"/home/ann" + sep + u".asdf/installs/java");
    EXPECT_EQ(posix[8], u"/home/ann" + sep + u".gradle/jdks");
    EXPECT_EQ(posix[9], u"/home/ann" + sep + u".local/share/mise/installs/java");
    // The tools' own variables move their folders; a relative one is
    // ignored.
    env.sdkmanDir = u"/opt/sdkman";
    env.asdfDataDir = u"relative/asdf";
    posix = posixRuntimeFolders(env);
    EXPECT_EQ(posix[5], u"/opt/sdkman" + sep + u"candidates/java");
    EXPECT_EQ(posix[7], u"/home/ann" + sep + u".asdf/installs/java");

    // Without the user's own folders only the machine's remain.
    env.includeUserFolders = false;
    EXPECT_EQ(windowsRuntimeFolders(env, false).size(), 14u);
    EXPECT_EQ(windowsRuntimeFolders(env, true).size(), 14u);
    EXPECT_EQ(posixRuntimeFolders(env).size(), 5u);
    EXPECT_EQ(nestedRuntimeHomes(env), TextList());

    // Variables that are not set, or empty, add nothing; nor does a
    // relative HOME.
    FolderEnvironment unset;
    unset.userProfile = u"";
    unset.home = u"relative";
    EXPECT_EQ(windowsRuntimeFolders(unset, false), TextList());
    EXPECT_EQ(windowsRuntimeFolders(unset, true), TextList());
    EXPECT_EQ(posixRuntimeFolders(unset).size(), 5u);
    EXPECT_EQ(nestedRuntimeHomes(unset), TextList());
}

TEST(FolderRegistry, NestedHomesOfGradleAndScoop) {
    test::TempFolder base;
    const std::u16string sep(1, kPathSeparator);
    auto file = [&](const std::string& relative) { test::writeBytes(base.path() / relative, ""); };
    file(".gradle/jdks/eclipse_adoptium-17-amd64/jdk-17.0.9+9/release");
    file(".gradle/jdks/flat-21/release");
    file(".gradle/jdks/flat-21/inner/release");
    file("scoop/apps/temurin17-jdk/current/release");
    file("scoop/apps/Zulu8/current/release");
    file("scoop/apps/git/current/release");
    FolderEnvironment env;
    (kWindows ? env.userProfile : env.home) = base.text();
    const std::u16string gradle = base.text() + sep + (kWindows ? u".gradle\\jdks" : u".gradle/jdks");
    const std::u16string apps = base.text() + sep + u"scoop\\apps";
    TextList expected = {gradle + sep + u"eclipse_adoptium-17-amd64" + sep + u"jdk-17.0.9+9"};
    if (kWindows) {
        expected.push_back(apps + sep + u"Zulu8" + sep + u"current");
        expected.push_back(apps + sep + u"temurin17-jdk" + sep + u"current");
    }
    TextList homes = nestedRuntimeHomes(env);
    std::sort(homes.begin() + 1, homes.end());
    EXPECT_EQ(homes, expected);

    for (std::u16string_view name : {u"temurin17-jdk", u"openjdk", u"Zulu8", u"liberica-lite-jdk", u"microsoft-jdk",
                                     u"corretto17-jdk", u"sapmachine21", u"semeru-jre"}) {
        EXPECT_TRUE(isScoopRuntimeName(name)) << toUtf8(name);
    }
    for (std::u16string_view name : {u"git", u"java", u"jdk", u"my-temurin"}) EXPECT_FALSE(isScoopRuntimeName(name));
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
    file("binary-release/release", std::string("JAVA_VERSION=\"99\"\n\0\x01\x02", 21));
    file("openj9/release", "IMPLEMENTOR=\"AdoptOpenJDK\"\nJAVA_VERSION=\"11.0.21\"\nJVM_VARIANT=\"Openj9\"\n");
    file("release-is-folder/release/x", "");
    file("plain-file", "JAVA_VERSION=\"99\"\n");

    std::vector<FolderRuntime> found;
    {
        // Folders with a release file that gives no version say why.
        test::EnvironmentOverride variable(u"QX_LAUNCHER_TRACE", base.text(u"trace.log"));
        trace::enableFromEnvironment();
        found = scanRuntimeFolders({base.text(u"missing"), base.text()});
        trace::disable();
    }
    const std::string traced = test::readBytes(base.path() / "trace.log");
    const std::string end = kWindows ? "\\: passed over: " : "/: passed over: ";
    for (const std::string& reason : {"huge-release" + end + "its release file is larger than 8 KB",
                                     "binary-release" + end + "its release file holds binary data",
                                     "empty-release" + end + "its release file names no JAVA_VERSION"}) {
        EXPECT_NE(traced.find(reason), std::string::npos) << reason << "\n" << traced;
    }
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[3].vendor, RuntimeVendor::Ibm); // the OpenJ9 variant
    EXPECT_EQ(found[3].root, 6u);
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
