// What the Linux side of the file and environment helpers adds to the
// shared rules: literal brackets and backslashes in names, links, the
// executable's path, and names that differ only in case.

#include "base/Environment.h"
#include "base/RawVariable.h"
#include "base/FileFinder.h"
#include "base/FolderChain.h"
#include "base/ModulePath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unistd.h>

namespace launcher {
namespace {

namespace fs = std::filesystem;

std::set<std::u16string> namesFound(const std::u16string& pattern) {
    std::set<std::u16string> seen;
    FileFinder finder;
    if (finder.findFirst(pattern)) {
        do seen.insert(finder.fileName());
        while (finder.findNext());
    }
    return seen;
}

TEST(FileFinderPosix, OnlyStarAndQuestionMarkAreWildcards) {
    test::TempFolder temp;
    for (const char* name : {"lib[1].jar", "lib1.jar", "a\\b.txt", "ab.txt", ".hidden"}) test::writeText(temp.path() / name, u"x");
    using Names = std::set<std::u16string>;
    const std::u16string folder = temp.text() + u"/";

    EXPECT_EQ(namesFound(folder + u"lib[1].jar"), Names{u"lib[1].jar"});
    EXPECT_EQ(namesFound(folder + u"lib[1]*"), Names{u"lib[1].jar"});
    EXPECT_EQ(namesFound(folder + u"lib?.jar"), Names{u"lib1.jar"});
    EXPECT_EQ(namesFound(folder + u"a\\*"), Names{u"a\\b.txt"});
    // As on Windows, a star takes leading dots too.
    EXPECT_EQ(namesFound(folder + u"*hidden"), Names{u".hidden"});
}

TEST(FileFinderPosix, LinksAreFoundAndFollowedForTheirKind) {
    test::TempFolder temp;
    fs::create_directory(temp.path() / "real");
    fs::create_directory_symlink(temp.path() / "real", temp.path() / "linked");
    fs::create_symlink(temp.path() / "gone", temp.path() / "dangling");

    FileFinder finder;
    ASSERT_TRUE(finder.findFirst(temp.text() + u"/link*"));
    EXPECT_EQ(finder.fileName(), u"linked");
    EXPECT_TRUE(finder.isDirectory());
    ASSERT_TRUE(finder.findFirst(temp.text() + u"/linked"));
    EXPECT_TRUE(finder.isDirectory());
    // A link whose target is gone is still an entry of its folder.
    ASSERT_TRUE(finder.findFirst(temp.text() + u"/dangling"));
    EXPECT_FALSE(finder.isDirectory());
}

TEST(FileFinderPosix, TrailingSlashOrEmptyNameFindsNothing) {
    test::TempFolder temp;
    FileFinder finder;
    EXPECT_FALSE(finder.findFirst(temp.text() + u"/"));
    EXPECT_EQ(lastSystemError(), static_cast<uint32_t>(ENOENT));
    EXPECT_FALSE(finder.findFirst(u""));
}

TEST(ModulePathPosix, IsTheRunningExecutable) {
    std::u16string path;
    ASSERT_EQ(readModulePath(path), 0u);
    EXPECT_EQ(fs::path(path), fs::canonical("/proc/self/exe"));
    EXPECT_TRUE(endsWith(path, u"/unit_tests"));
}

TEST(EnvironmentPosix, ExactNameWinsOverOtherCases) {
    test::EnvironmentOverride upper(u"LAUNCHER_ENVCASE", u"upper");
    test::EnvironmentOverride lower(u"launcher_envcase", u"lower");
    test::EnvironmentOverride mixed(u"Launcher_EnvOnlyMixed", u"mixed");

    EXPECT_EQ(expandEnvironmentCopy(u"%LAUNCHER_ENVCASE%"), u"upper");
    EXPECT_EQ(expandEnvironmentCopy(u"%launcher_envcase%"), u"lower");
    EXPECT_EQ(expandEnvironmentCopy(u"%LAUNCHER_ENVONLYMIXED%"), u"mixed");
    // Reading a variable is exact, as Linux names are.
    EXPECT_EQ(getEnvironmentVariable(u"LAUNCHER_ENVONLYMIXED"), std::nullopt);
}

TEST(EnvironmentPosix, NamesTheLibraryCannotHoldAreRefused) {
    EXPECT_FALSE(setEnvironmentVariable(u"A=B", u"x"));
    EXPECT_FALSE(setEnvironmentVariable(u"", u"x"));
    test::EnvironmentOverride plain(u"LAUNCHER_ENVEQ", u"value");
    // getenv would read "LAUNCHER_ENVEQ=value" as the name plus "=value".
    EXPECT_EQ(getEnvironmentVariable(u"LAUNCHER_ENVEQ=value"), std::nullopt);
}

TEST(FolderChainPosix, FileInTheWayIsReportedAndLeftAlone) {
    test::TempFolder temp;
    test::writeText(temp.path() / "blocker", u"keep");

    EXPECT_EQ(createFolderChain(temp.text() + u"/blocker/x/out.log"), static_cast<uint32_t>(ENOTDIR));
    EXPECT_EQ(test::readBytes(temp.path() / "blocker"), "keep");
}

} // namespace
} // namespace launcher
